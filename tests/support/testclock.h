#pragma once
// The clock of the unit tests: program time stands still until somebody
// pauses (a transport's read time-out, the exchange's pauses), and the wall
// clock reads a fixed date, so dates in result and log lines compare byte for
// byte. A 28-second silence or a 200-second card wait runs in microseconds.

#include "core/clock.h"

namespace dravimo::test {

class TestClock : public Clock
{
public:
    qint64 nowMs() const override { return now_; }
    void pause(Millis d) override { now_ += d.count(); }
    int realMs(Millis) const override { return 0; }
    QDateTime wallNow() const override { return wall; }
    void advance(Millis d) { now_ += d.count(); }

    QDateTime wall{QDate(2026, 12, 7), QTime(3, 45, 10)};

private:
    qint64 now_ = 0;
};

} // namespace dravimo::test
