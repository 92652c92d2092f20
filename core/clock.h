#pragma once
// The clock of the program.
//
// Every pause, deadline and timer interval goes through a Clock, handed to
// each part that waits. Production runs on real time with the program's
// constants unchanged (7 s answer window, 1.5 s status polls, 200 s card
// wait...). Tests hand in a clock that runs faster, or a virtual one that only
// moves when somebody waits, so a 28-second silence is exercised in
// milliseconds without touching a constant.
//
// Deadlines are program-time milliseconds from a monotonic source, so a wait
// that spans midnight (or a clock change) still ends.

#include <QDateTime>
#include <QtGlobal>

#include <chrono>

namespace dravimo {

using Millis = std::chrono::milliseconds;
using Seconds = std::chrono::seconds;

class Clock
{
public:
    virtual ~Clock() = default;

    // Monotonic program time in milliseconds.
    virtual qint64 nowMs() const = 0;
    // Blocking pause: no events are processed meanwhile.
    virtual void pause(Millis d) = 0;
    // How many real milliseconds a program-time span lasts: what a transport
    // may block on a device, or what a QTimer interval becomes.
    virtual int realMs(Millis d) const = 0;
    // Wall-clock date and time for result-file and log lines.
    virtual QDateTime wallNow() const { return QDateTime::currentDateTime(); }
};

// Real time scaled by a factor: factor 1 is production; factor 50 makes the
// 7-second answer window last 140 real milliseconds. The end-to-end tests set
// it through the environment variable DRAVIMO_TIME_SCALE.
class ScaledClock : public Clock
{
public:
    explicit ScaledClock(double factor = 1.0);
    qint64 nowMs() const override;
    void pause(Millis d) override;
    int realMs(Millis d) const override;
    double factor() const { return factor_; }

private:
    double factor_;
    qint64 startNs_;
};

// Result-file and log date format: DD/MM/YYYY hh:mm:ss, 24-hour.
QString formatDateTime(const QDateTime &when);

} // namespace dravimo
