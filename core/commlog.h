#pragma once
// The communication log: every line the command exchange reports about its
// traffic with the register (commands sent, replies, time-outs). The lines go
// to the communication window while it is open, and to "dravimoLog.txt"
// beside the executable while its tick box is ticked. With the window closed
// nothing is logged anywhere.
//
// The log must never disturb the register traffic: every failure of the window
// or the file is swallowed.

#include <QString>

namespace dravimo {

inline const QString kCommLogFile = QStringLiteral("dravimoLog.txt");

// What the communication window offers the log.
class LogSink
{
public:
    virtual ~LogSink() = default;
    // Appends one line to the window's text and shows it.
    virtual void showLine(const QString &text) = 0;
    // True while the window's "log to file" box is ticked.
    virtual bool logsToFile() const = 0;
};

class CommLog
{
public:
    // filePath: where ticked lines go (defaultFilePath() in the program).
    explicit CommLog(QString filePath = defaultFilePath()) : filePath_(std::move(filePath)) {}

    // True while a communication window is open: only then is anything logged.
    bool isOpen() const { return sink_ != nullptr; }
    // One line of the log; nothing while no window is open.
    void write(const QString &text);

    // The open window registers itself here, and unregisters on close.
    void setSink(LogSink *sink) { sink_ = sink; }
    LogSink *sink() const { return sink_; }

    QString filePath() const { return filePath_; }
    // "dravimoLog.txt" in the executable's folder, not the working folder,
    // so the log is found in one place whatever folder the host starts us in.
    static QString defaultFilePath();

private:
    QString filePath_;
    LogSink *sink_ = nullptr;
};

} // namespace dravimo
