#pragma once
// The wait until the operator has dealt with a register error (paper out, a Z
// report due and the like): the register is asked for its status every 1.5 s
// while a dialog says what it is waiting for, and every change is written to
// the result file.

namespace dravimo {

struct EcrSession;

// Returns at once when the register reports no pending error; otherwise once
// it does, or when the operator closes the wait dialog.
void waitUntilEcrErrorCleared(EcrSession &ecr);

} // namespace dravimo
