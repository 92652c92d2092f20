#pragma once
// Jobs a host hands over by a call (the local HTTP interface) rather than as a
// print file in the print folder, and what the job side publishes about them
// and about the register for the interface to answer from.
//
// The interface runs on a thread of its own; the job side (the controller and
// the translator) on the user-interface thread. Everything here is guarded by
// one mutex, held for memory and a few file checks, never across a register
// command nor a submission's flushes to disk: a question from the interface
// is answered from what was published last, however long the register keeps
// the job side waiting, and the job side never waits for the disk.
//
// On disk, in the folder "http" of the working folder, per job <id> (a
// six-digit number, in the order the jobs were accepted):
//   <id>       the print file the job runs, Windows-1253 as a host writes one,
//              with a first line naming the job's own result file; removed
//              when the job has ended, like any print file
//   <id>.res   the job's result file
//   <id>.key   the host's idempotency key, a fingerprint of the request body
//              and when it was accepted (UTC, ms since 1970)
// Both files of a submission are flushed to the disk and their folder too
// before the host hears of its job, so an accepted job outlives a crash and
// its key answers a retry after a restart. A job's three files are kept for
// 30 days after it was accepted, then removed: its key is forgotten with them.

#include <QByteArray>
#include <QMutex>
#include <QString>
#include <QStringList>

#include <functional>
#include <map>
#include <optional>

namespace dravimo {

struct SubmittedJob
{
    enum class State { Queued, Running, Done, Quarantined };
    QString id;
    QString key;
    QByteArray fingerprint;
    qint64 acceptedMs = 0; // UTC, ms since 1970
    State state = State::Queued;
    // While running: how many lines of the print file have been read.
    int line = 0;
};

// The register as the job side last saw it.
struct RegisterSnapshot
{
    // Program-time ms of the last reply; -1 when none came yet.
    qint64 lastAnswerMs = -1;
    // The last command and its reply as the register gave it.
    QString lastCommand;
    QString lastReply;
    qint16 lastCode = 0;
    // Whether the last command got a reply.
    bool linkUp = false;
    // The register's last status reply to "KXSTAT" (-99: not asked yet),
    // with the operator's words for it.
    int status = -99;
    QString statusText;
    // "KXRE": "<Z number>, <last receipt>".
    QString numbers;
    // The last command refused for want of paper, until one goes through.
    bool paperOut = false;
    // The register said a Z report is due, until a daily Z goes through.
    bool zDue = false;
    // "KX?TO": the table open for keying, 0 when none.
    int openTable = 0;
    bool printing = false;
    // The HTTP job on the line, if one is.
    QString runningJob;
};

class SubmittedJobs
{
public:
    static constexpr qint64 kKeepMs = 30LL * 24 * 3600 * 1000;
    static constexpr int kDefaultMaxQueued = 100;

    // folder: where the jobs' files live (created when missing).
    explicit SubmittedJobs(QString folder, int maxQueued = kDefaultMaxQueued);

    // Reads the jobs a previous run accepted and forgets those older than the
    // keeping time. nowMs: UTC ms since 1970.
    void load(qint64 nowMs);

    struct Submission
    {
        enum Result { Accepted, Replayed, KeyConflict, QueueFull, Unwritable };
        Result result = Accepted;
        SubmittedJob job;
        QString why;
    };
    // A host's job: `printFile` is what the job runs (its first line naming
    // the result file is added here), `fingerprint` identifies the request
    // body. The same key with the same fingerprint is the job already
    // accepted; with another, a conflict.
    Submission submit(const QString &key, const QByteArray &fingerprint, const QByteArray &printFile, qint64 nowMs);

    std::optional<SubmittedJob> job(const QString &id) const;
    // The lines of a job's result file (empty when there is none yet).
    QStringList resultLines(const QString &id) const;
    int queued() const;

    // --- The job side ---
    // The oldest queued job's print file and when it was accepted (UTC ms);
    // nothing when none waits.
    struct Ready
    {
        QString id;
        QString path;
        qint64 acceptedMs = 0;
    };
    std::optional<Ready> next() const;
    void started(const QString &id);
    void atLine(int line);
    // Whatever is on disk: a job whose print file is gone has ended (put
    // aside when quarantine holds it). Called after every job and settling.
    void refresh();
    // The key of the job whose print file this is, empty for any other file.
    QString keyOf(const QString &path) const;

    // Told (on the interface's thread) when a job was accepted: the job side
    // may start it at once.
    void setAccepted(std::function<void()> accepted) { accepted_ = std::move(accepted); }

    RegisterSnapshot registerSnapshot() const;
    void publish(const std::function<void(RegisterSnapshot &)> &change);

    QString folder() const { return folder_; }
    QString printFilePath(const QString &id) const { return folder_ + QLatin1Char('/') + id; }
    QString resultPath(const QString &id) const { return printFilePath(id) + QStringLiteral(".res"); }
    QString keyPath(const QString &id) const { return printFilePath(id) + QStringLiteral(".key"); }
    // Where the translator puts a job it must not try again.
    void setQuarantineFolder(const QString &folder) { quarantine_ = folder; }

private:
    void forgetOld(qint64 nowMs);
    SubmittedJob::State stateOnDisk(const QString &id) const;

    const QString folder_;
    const int maxQueued_;
    QString quarantine_ = QStringLiteral("quarantine");
    mutable QMutex mutex_;
    QMutex submitMutex_;
    std::map<QString, SubmittedJob> jobs_; // by id
    std::map<QString, QString> byKey_;     // key -> id
    int lastNumber_ = 0;
    qint64 lastSweepMs_ = 0;
    QString running_;
    RegisterSnapshot register_;
    std::function<void()> accepted_;
};

// The first line of a job's print file: its result file.
QByteArray resultFileLine(const QString &resultPath);

} // namespace dravimo
