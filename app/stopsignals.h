#pragma once
// A stop asked for from outside the program: SIGTERM (systemctl stop, an
// upgrade, a shutdown) or SIGINT (Ctrl+C). Platform-specific: on POSIX
// systems the signal is turned into a call on the event loop, where the
// program can finish what it is doing; elsewhere (Windows, where a service
// wrapper stops the program its own way) it does nothing.

#include <functional>

namespace dravimo {

// Installs the handlers once per process. The first signal calls `stop` on
// the event loop with the signal's number; a second one ends the process at
// once (exit code 128 + the signal's number), for whoever cannot wait.
void onStopSignal(std::function<void(int signalNumber)> stop);

// The number of the first stop signal received, 0 while none has come. Safe
// to ask anywhere: a job that does not let events run still sees the stop
// between two of its commands.
int stopSignalReceived();

} // namespace dravimo
