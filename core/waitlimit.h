#pragma once
// How long a run that nobody watches lets the register keep it waiting.
//
// With a window an operator is there: a register error is waited out for as
// long as it takes, and the operator closes the wait. A service has nobody: a
// register that stays missing, or an error wait that never clears, would hold
// the job (and the service) for ever without anyone noticing. Past the limit
// the process ends instead, leaving the job in its journal, so the service
// manager starts it again and recovery settles the job once the register is
// back.

#include "core/clock.h"

#include <QString>

#include <functional>
#include <optional>

namespace dravimo {

class WaitLimit
{
public:
    // Ends the process with an alert; in tests it may return.
    using EndFn = std::function<void(const QString &alert)>;

    // No limit: every wait lasts until the register or the operator ends it.
    WaitLimit() = default;
    WaitLimit(Millis limit, EndFn end) : limit_(limit), end_(std::move(end)) {}

    bool bounded() const { return limit_.has_value(); }
    // Meaningful only when bounded().
    Millis limit() const { return limit_.value_or(Millis{0}); }
    // The limit has passed for a wait that began at startMs (program time).
    bool passed(const Clock &clock, qint64 startMs) const
    {
        return limit_ && clock.nowMs() - startMs >= limit_->count();
    }
    void end(const QString &alert) const
    {
        if (end_)
            end_(alert);
    }
    // The limit in whole seconds, as alerts state it.
    qint64 seconds() const { return limit().count() / 1000; }

private:
    std::optional<Millis> limit_;
    EndFn end_;
};

// The default limit of a service: a register missing, or an error left
// standing, for ten minutes is no longer a passing hiccup.
inline constexpr Millis kDefaultWaitLimit{10 * 60 * 1000};

} // namespace dravimo
