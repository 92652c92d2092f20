#pragma once
// The communication log: every line the command exchange reports about its
// traffic with the register (commands sent, replies, time-outs). The lines go
// to the debug window while it is open, and to "dravimoLog.txt" beside the
// executable while its tick box is ticked. With the window closed nothing is
// logged anywhere.
//
// The log must never disturb the register traffic: every failure of the window
// or the file is swallowed.

#include <QString>

namespace dravimo {

inline const QString kCommLogFile = QStringLiteral("dravimoLog.txt");

// What the debug window offers the log writer.
class DebugSink
{
public:
    virtual ~DebugSink() = default;
    // Appends one line to the window's text and shows it.
    virtual void showLine(const QString &text) = 0;
    // True while the window's "log to file" box is ticked.
    virtual bool logsToFile() const = 0;
};

class clsDebug
{
public:
    // One line of the log. A no-op unless the debug flag is set.
    void PrintCombine(const QString &text);

    // The open debug window registers itself here and unregisters on close.
    void setSink(DebugSink *sink) { sink_ = sink; }
    DebugSink *sink() const { return sink_; }

    // "dravimoLog.txt" in the executable's folder, not the working folder,
    // so the log is found in one place whatever folder the host starts us in.
    static QString logFilePath();

private:
    DebugSink *sink_ = nullptr;
};

// The program's one log writer.
clsDebug &debugLog();

} // namespace dravimo
