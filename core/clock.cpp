#include "core/clock.h"

#include <QThread>

#include <cmath>

namespace dravimo {
namespace {

qint64 steadyNs()
{
    using namespace std::chrono;
    return duration_cast<nanoseconds>(steady_clock::now().time_since_epoch()).count();
}

} // namespace

ScaledClock::ScaledClock(double factor) : factor_(factor > 0 ? factor : 1.0), startNs_(steadyNs())
{}

qint64 ScaledClock::nowMs() const
{
    return static_cast<qint64>(double(steadyNs() - startNs_) / 1e6 * factor_);
}

void ScaledClock::pause(Millis d)
{
    const int ms = realMs(d);
    if (ms > 0)
        QThread::msleep(static_cast<unsigned long>(ms));
}

int ScaledClock::realMs(Millis d) const
{
    if (d.count() <= 0)
        return 0;
    // Never round a real wait down to zero: a zero-length device wait would
    // turn the exchange's reply loop into a busy spin.
    return std::max(1, static_cast<int>(std::lround(double(d.count()) / factor_)));
}

QString formatDateTime(const QDateTime &when)
{
    return when.toString(QStringLiteral("dd/MM/yyyy HH:mm:ss"));
}

} // namespace dravimo
