#pragma once
// What the process returns. Hosts that start Dravimo for one file and the
// service manager both act on these numbers, so each keeps its meaning for
// good; the README lists them.

namespace dravimo::exitcode {

// A normal end: "Τερματισμός Dravimo", or a one-shot run that printed its file.
constexpr int kNormal = 0;
// A start-up failure, a one-shot run whose file could not be read, or one
// whose job had to be put in quarantine.
constexpr int kFailure = 1;
// A one-shot command line that was rejected.
constexpr int kRejectedCommandLine = 2;
// Unattended only: the register did not answer the search at start-up, went
// missing for longer than the wait limit, or left an error standing that long.
// With a window the operator sees the off-line text and restarts; without one
// the process ends so that whatever started it (the service manager) can try
// again after a pause, and a register switched on after the computer is found;
// a job cut short stays in the journal and is settled then.
constexpr int kEcrNotFound = 4;
// Another Dravimo already runs in this working folder (it holds the lock of
// the job journal).
constexpr int kAlreadyRunning = 3;

} // namespace dravimo::exitcode
