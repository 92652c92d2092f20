#pragma once
// The result file of the current job: the host reads a job's outcome there,
// and every failure the register reports while the job runs ("Err = " lines,
// register errors, card acknowledgements) is appended to it. The job names it
// in its print file; it stays the target after the job, so a failure of a
// later report still reaches the host, and it is empty until the first job.
//
// The print file names it, so whoever can write the print folder chooses the
// file Dravimo appends to. It must be a regular file of the host's: never one
// of Dravimo's own (the journal, the settings, the log), never a FIFO or a
// device, which could hang the program or send the lines down another line.
//
// A line the system will not let us write (a folder the service may not write
// to, a full disk) is not dropped in silence: it goes to the failure report,
// with the file and the reason, and the failure is kept until the job asks
// (a job stops at it, as if the process had died there).

#include <QString>
#include <QStringList>

#include <functional>
#include <optional>

namespace dravimo {

// Where a job's outcome goes when its print file names no result file (or
// one that may not be used).
inline const QString kDefaultResultFile = QStringLiteral("Result");

class ResultFile
{
public:
    QString path() const { return path_; }
    void setPath(const QString &path) { path_ = path; }
    // Appends one line (CR LF ended, Windows-1253); nothing without a path,
    // nor while muted.
    void append(const QString &line);
    // While this says so, lines are dropped: a job recovered after a crash
    // goes through what its first run did again (the error wait's lines
    // included), and those lines are in the file already. Empty: never.
    void setMuted(std::function<bool()> muted) { muted_ = std::move(muted); }
    // Flushes the lines appended since the last flush to the disk itself.
    // False (and the failure kept) when that fails.
    bool sync();
    // Why a line or a flush failed since the last clearFailure(); empty when
    // none did.
    QString failure() const { return failure_; }
    void clearFailure() { failure_.clear(); }
    // The file's size now, -1 when it does not exist.
    qint64 size() const;

    // How many card acknowledgements ("ccPay") were appended in this run:
    // recovery tells by it whether a card's approval has come in.
    int cardAcknowledgements() const { return cardAcknowledgements_; }

    // Told of every line that could not be written: the path, the line, why.
    using FailureReport = std::function<void(const QString &path, const QString &line, const QString &why)>;
    void setFailureReport(FailureReport report) { report_ = std::move(report); }

    // Dravimo's own files and folders, never a result file.
    void setProtected(const QStringList &files, const QStringList &folders);
    // Why a print file's "resFile:" may not be used, or nothing when it may.
    std::optional<QString> refusal(const QString &path) const;

private:
    QString path_;
    FailureReport report_;
    std::function<bool()> muted_;
    QString failure_;
    QStringList unsynced_;
    QStringList protectedFiles_;
    QStringList protectedFolders_;
    int cardAcknowledgements_ = 0;
};

} // namespace dravimo
