#pragma once
// The program-wide state that the whole system shares, kept in one place.
//
// Everything runs on the one user-interface thread, so none of this is
// locked. Components read and write these fields directly; nothing else in the
// program is global except the clock and the transport slot of the ECR link.

#include <QString>
#include <QtGlobal>

namespace dravimo {

class Window;

struct SharedState
{
    // Outcome of the latest ECR command: 0 success, a positive ECR error code,
    // -4 no answer, -1/-2 serial port failures.
    qint16 lastResultCode = 0;
    // Set when the message and wait dialog is closed; the waits watch it.
    bool waitCancel = false;
    // Set when a fallback payment replaced a failed card payment; the end of
    // the job prints the failure notice and clears it.
    bool cardFailure = false;
    // True exactly while the communication-log window is open.
    bool debugOpen = false;
    // Names the ECR link: port or IP address, ":", baud rate or network port.
    QString connectionString;
    // The current job's result file: the default target of the exchange's
    // "Err = " lines. Empty until the first job names one.
    QString resultFile;
    // The command line as the host passed it (arguments joined by single
    // spaces); non-empty means a one-shot run.
    QString commandLine;
};

SharedState &shared();

// The window the core reports to. Never null: a NullWindow until the program
// (or a test) installs its own. The caller keeps ownership.
Window &window();
void setWindow(Window *window);

} // namespace dravimo
