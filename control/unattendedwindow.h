#pragma once
// The window of a run without a display (DRAVIMO_UNATTENDED=1).
//
// Nothing is shown: every message box becomes one line on standard error,
// "title: text", and is answered with its default button, so a server or a
// test harness sees what an operator would have read and the job goes on.
// The wait dialog is never shown (the exchange still honours its close).
// Text printed on the window (the farewell box) goes to standard error too,
// and so does every change of the status line and the caption, so that a
// service's journal shows what the window would have said (the register being
// looked for, then given up) without repeating the same text every second.

#include "control/headlessview.h"

namespace dravimo {

class UnattendedWindow : public HeadlessView
{
public:
    void setStatus(const QString &text) override;
    void setCaption(const QString &text) override;
    int showMessage(const QString &text, int code, const QString &title) override;
    void printLine(const QString &line) override;
    void notice(const QString &text) override;
    void openSettingsDialog() override;
    void closeWindow(int exitCode) override;
    void endProcess(int exitCode) override;

    // The one line a box becomes: line breaks turned into spaces, the padding
    // the message box routine added dropped.
    static QString boxLine(const QString &title, const QString &text);
};

} // namespace dravimo
