#include "core/progressindicator.h"

#include "core/window.h"

#include <cmath>

namespace dravimo {

void ProgressIndicator::setValue(qint16 value)
{
    value_ = value;
    if (value < 1) {
        window_.setProgressText(QStringLiteral("-"));
    } else if (max_ != 0) {
        const long percent = std::lround(double(value) / double(max_) * 100.0);
        window_.setProgressText(QStringLiteral(" Ολοκληρώθηκε το ") + QString::number(percent) + QLatin1Char('%'));
    }
    window_.processEvents();
}

} // namespace dravimo
