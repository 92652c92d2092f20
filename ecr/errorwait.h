#pragma once
// The wait until the operator has dealt with a register error (paper out, a Z
// report due and the like): the register is asked for its status every 1.5 s
// while a dialog says what it is waiting for, and every change is written to
// the result file.

#include <QString>
#include <QtGlobal>

namespace dravimo {

struct EcrSession;

// The register's paper-out codes (DE2; DE1064 on some models), in a refusal
// or a status. A register out of paper refuses every key and books nothing
// it refused: the key can be sent again once paper is loaded.
constexpr bool isPaperOut(qint16 code)
{
    return code == 2 || code == 1064;
}

// Returns at once when the register reports no pending error; otherwise once
// it does, or when the operator closes the wait dialog. A run nobody watches
// ends when the error has stood longer than the session's wait limit.
void waitUntilEcrErrorCleared(EcrSession &ecr);

// True when the session's wait limit has passed for a wait that began at
// startedMs; the run is then ended with an alert that names what was waited
// for. (Only a test's limit lets it return.)
bool waitLimitPassed(EcrSession &ecr, qint64 startedMs, const QString &waitingFor);

} // namespace dravimo
