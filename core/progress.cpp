#include "core/progress.h"

#include "core/shared.h"
#include "core/window.h"

#include <cmath>

namespace dravimo {

void CLSiND::setValue(qint16 value)
{
    value_ = value;
    Window &w = window();
    if (value < 1) {
        w.setProgressText(QStringLiteral("-"));
    } else if (max_ != 0) {
        const long percent = std::lround(double(value) / double(max_) * 100.0);
        w.setProgressText(QStringLiteral(" Ολοκληρώθηκε το ") + QString::number(percent) + QLatin1Char('%'));
    }
    w.processEvents();
}

CLSiND &progress()
{
    static CLSiND indicator;
    return indicator;
}

} // namespace dravimo
