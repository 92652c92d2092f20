#pragma once
// The one clock of the program.
//
// Every pause, deadline and timer interval goes through here. Production runs
// on real time with the program's constants unchanged (7 s answer window, 1.5 s
// status polls, 200 s card wait...). Tests install a clock that runs faster, or
// a virtual one that only moves when somebody waits, so a 28-second silence is
// exercised in milliseconds without touching a constant.
//
// Deadlines are program-time milliseconds from a monotonic source, so a wait
// that spans midnight (or a clock change) still ends.

#include <QDateTime>
#include <QtGlobal>

#include <chrono>
#include <memory>

namespace dravimo {

using Millis = std::chrono::milliseconds;

class Clock
{
public:
    virtual ~Clock() = default;

    // Monotonic program time in milliseconds.
    virtual qint64 nowMs() const = 0;
    // Blocking pause: no events are processed (the original's Sleep).
    virtual void pause(Millis d) = 0;
    // How many real milliseconds a program-time span lasts: what a transport
    // may block on a device, or what a QTimer interval becomes.
    virtual int realMs(Millis d) const = 0;
    // Wall-clock date and time for result-file and log lines.
    virtual QDateTime wallNow() const { return QDateTime::currentDateTime(); }

    // The clock everybody uses. Never null: a real-time clock until replaced.
    static Clock &instance();
    // Installs a clock (tests, or DRAVIMO_TIME_SCALE); returns the previous one.
    static std::unique_ptr<Clock> install(std::unique_ptr<Clock> clock);
};

// Real time scaled by a factor: factor 1 is production; factor 50 makes the
// 7-second answer window last 140 real milliseconds. Used by the end-to-end
// tests through the environment variable DRAVIMO_TIME_SCALE.
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

// A clock that stands still until someone pauses or advances it. Unit tests
// drive it from their fake transports: every read that finds nothing moves
// time on by the read's time-out, exactly as a real port would.
class VirtualClock : public Clock
{
public:
    qint64 nowMs() const override { return now_; }
    void pause(Millis d) override { now_ += d.count(); }
    int realMs(Millis) const override { return 0; }
    void advance(Millis d) { now_ += d.count(); }

private:
    qint64 now_ = 0;
};

// Installs a clock for the lifetime of a scope (tests).
class ScopedClock
{
public:
    explicit ScopedClock(std::unique_ptr<Clock> clock) : previous_(Clock::install(std::move(clock))) {}
    ~ScopedClock() { Clock::install(std::move(previous_)); }
    ScopedClock(const ScopedClock &) = delete;
    ScopedClock &operator=(const ScopedClock &) = delete;

private:
    std::unique_ptr<Clock> previous_;
};

// Result-file and log date format: DD/MM/YYYY hh:mm:ss, 24-hour.
QString formatDateTime(const QDateTime &when);

} // namespace dravimo
