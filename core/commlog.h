#pragma once
// The communication log: every line the command exchange reports about its
// traffic with the register (commands sent, replies, time-outs). The lines go
// to the communication window while it is open, and to "dravimoLog.txt"
// beside the executable (or in the working folder, where the executable's
// folder cannot be written) while its tick box is ticked. With the window
// closed nothing is logged anywhere, unless the log is kept to the file for
// good: a service has no window, and a field problem must leave a trace of
// the bytes on the line. Kept for good, the file is capped: past
// kCommLogCapBytes it becomes "dravimoLog.txt.1" (replacing the one before)
// and a new file starts, so the log never holds more than twice the cap.
//
// The log must never disturb the register traffic: every failure of the window
// or the file is swallowed.

#include <QString>
#include <QtGlobal>

namespace dravimo {

inline const QString kCommLogFile = QStringLiteral("dravimoLog.txt");
// About a week of a busy register's traffic in the two files together.
inline constexpr qint64 kCommLogCapBytes = 2 * 1024 * 1024;

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

    // True while a communication window is open or the file is kept for
    // good: only then is anything logged.
    bool isOpen() const { return sink_ != nullptr || keepToFile_; }
    // Every line to the file, window or not, with the size cap.
    void keepToFile(bool on) { keepToFile_ = on; }
    // One line of the log; nothing while no window is open.
    void write(const QString &text);

    // The open window registers itself here, and unregisters on close.
    void setSink(LogSink *sink) { sink_ = sink; }
    LogSink *sink() const { return sink_; }

    QString filePath() const { return filePath_; }
    // "dravimoLog.txt" in the executable's folder, not the working folder,
    // so the log is found in one place whatever folder the host starts us in;
    // installed, that folder is the system's and cannot be written, and the
    // working folder (the register's own) takes the log.
    static QString defaultFilePath();

private:
    void appendCapped(const QString &text);

    QString filePath_;
    bool keepToFile_ = false;
    LogSink *sink_ = nullptr;
};

} // namespace dravimo
