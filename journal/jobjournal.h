#pragma once
// The job journal. A fiscal register books a receipt the moment its payment is
// keyed, long before a job ends; a job cut short by a crash or a power cut and
// simply run again would book it twice. So every job writes, before its first
// command, which print file it is and what the register's numbers were, and
// after the reply of every command, that reply. A job that ends deletes its
// entry; an entry found at start-up is a job that did not end, and is settled
// before any other job runs.
//
// On disk (the folder "journal" beside param.ini): the entry "job", written
// whole to a temporary file that is flushed and renamed into place, and then
// one line appended and flushed per reply. Every line carries its own
// checksum: a line cut by a power cut (or anything after it) is not read, so
// a torn entry reads as the state before its last write, never as garbage.
// Beside it, "lock" keeps a second process out of the same working folder.

#include <QByteArray>
#include <QFile>
#include <QList>
#include <QLockFile>
#include <QString>
#include <QtGlobal>

#include <memory>
#include <optional>

namespace dravimo {

// One command's outcome as the job saw it.
struct JournalReply
{
    qint16 code = 0;
    QString reply;
    bool operator==(const JournalReply &) const = default;
};

struct JournalEntry
{
    // The print file as the job found it, and a fingerprint of its bytes: an
    // edited or replaced file is another job.
    QString path;
    QByteArray fingerprint;
    // The register's "KXRE" reply before the job, raw.
    QString numbersBefore;
    // How many times the job was started (the first run included).
    int attempt = 1;
    // The job began by cancelling a receipt an earlier job left open.
    bool settleLeftOpen = false;
    // Every command's outcome, in order.
    QList<JournalReply> replies;
    // A card payment went to the terminal and its outcome was not read: a
    // key pressed on the register now would abandon the charge.
    bool cardInFlight = false;
    // The job's outcome lines are all in its result file.
    bool outcomeWritten = false;

    bool operator==(const JournalEntry &) const = default;
};

// What became of a job the journal shows unfinished, once settled.
struct Recovery
{
    enum class Outcome {
        Finished,    // the job is complete on the register: its print file goes
        Dropped,     // the print file is gone or changed; the register was settled
        Quarantined, // the print file was moved aside; someone must look
        EcrSilent,   // the register did not answer: try again later
    };
    Outcome outcome = Outcome::Finished;
    // What the operator must be told (quarantine), or what the log gets.
    QString message;
};

// The fingerprint the journal keeps of a print file's bytes.
QByteArray fingerprintOf(const QByteArray &bytes);

// Lets tests stop the program dead at a named point, so the windows an outside
// kill rarely hits are tried on every run. Set from DRAVIMO_CRASH_AT as
// "name" or "name:n" (the n-th time the point is reached, first is 1).
class CrashPoints
{
public:
    explicit CrashPoints(const QString &setting = QString());
    // Ends the process at once (no clean-up, as a kill would) when this is
    // the point and the time.
    void reach(const char *name);

private:
    QString name_;
    int countdown_ = 0;
};

class JobJournal
{
public:
    // folder: where the entry and the lock live (created when missing).
    explicit JobJournal(QString folder, CrashPoints crashPoints = CrashPoints());
    ~JobJournal();
    JobJournal(const JobJournal &) = delete;
    JobJournal &operator=(const JobJournal &) = delete;

    // Takes the working folder for this process. False when another live
    // process holds it (why says which) or the folder cannot be written.
    bool lock(QString &why);

    // The entry of a job that did not end, if any.
    std::optional<JournalEntry> unfinished() const;

    // Starts an entry (or rewrites one whole, as recovery does). False when it
    // could not be made durable.
    bool begin(const JournalEntry &entry);
    // Appends one command's outcome and flushes it to disk.
    bool recordReply(const JournalReply &reply);
    // A card payment is about to go to the terminal.
    bool recordCardSent();
    // The job's outcome lines are written.
    bool recordOutcome();
    // The job ended: the entry goes.
    void finish();

    QString folder() const { return folder_; }
    CrashPoints &crashPoints() { return crash_; }

    // Reads an entry's bytes; a cut or damaged tail is ignored line by line.
    static std::optional<JournalEntry> parse(const QByteArray &bytes);
    static QByteArray serialise(const JournalEntry &entry);

private:
    bool appendLine(const QByteArray &line);
    QString entryPath() const;

    QString folder_;
    CrashPoints crash_;
    std::unique_ptr<QLockFile> lock_;
    std::unique_ptr<QFile> open_;
};

} // namespace dravimo
