#pragma once
// The job journal. A fiscal register books a receipt the moment its payment is
// keyed, long before a job ends; a job cut short by a crash or a power cut and
// simply run again would book it twice. So every job writes, before its first
// command, which print file it is and what the register's numbers were, and
// after the reply of every command, that reply. A job that ends deletes its
// entry; an entry found at start-up is a job that did not end, and is settled
// before any other job runs.
//
// On disk (the folder "journal" beside param.ini, 0700, its files 0600: the
// host's group may read result files, never the journal): the entry "job",
// written whole to a temporary file that is flushed and renamed into place,
// and then one line appended and flushed per reply. Every line carries its
// own checksum: a line cut by a power cut (or anything after it) is not read,
// so a torn entry reads as the state before its last write, never as garbage.
// Beside it, "lock" keeps a second process out of the same working folder,
// and "left-open" says what the last job left open on the register: a receipt
// (the line "receipt"), a table open for keying that it meant to put aside
// (the line "table N"), or both.
//
// The order on disk, which recovery relies on after a power cut:
//  1. The entry is durable before the job's first command and before its
//     first result line ("tag = "): a job that has no entry has done nothing
//     the host or the register can see.
//  2. A reply is durable before the next command goes out.
//  3. The job's result lines are durable before the next command goes out
//     and before the entry says "outcome": the journal never runs ahead of
//     what the host can read.
//  4. Recovery records what it is about to do ("cancel pending") before it
//     sends a command that changes the register.
//  5. The left-open note is durable, and the print file's removal and its
//     folder are flushed, before the entry is removed: a power cut finds the
//     entry, never a print file whose job is forgotten.
// A write, rename or flush that fails is taken as a crash at that point: the
// job stops before its next command, and the entry (as last made durable) is
// settled once the folder can be written again.

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
    // The job's result file's size once the reply was in (-1: not known):
    // whatever the file holds beyond it, the job wrote after this reply.
    qint64 resultSize = -1;
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
    // The command in flight went out once and its reply never came whole:
    // not a crash before or after it, a reply lost on the line.
    bool replyLost = false;
    // The job's outcome lines are all in its result file.
    bool outcomeWritten = false;
    // The size of the job's result file before the job wrote to it (-1: it
    // did not exist): a result file grown past it holds the job's header.
    qint64 resultSize = -1;
    // Recovery is cancelling the receipt the job left open; once the
    // register shows none, the job goes on from this reply.
    int cancelResumeAt = -1;
    // With the outcome: the job left a receipt open on the register.
    bool leftOpen = false;
    // The job began by putting aside the table an earlier job left open for
    // keying (-1: none).
    int settleTable = -1;
    // With the outcome: the table the job meant to put aside and left open
    // for keying (-1: none).
    int leftOpenTable = -1;
    // The idempotency key a host sent with the job through the local HTTP
    // interface (empty for a print file from the folder): on the entry from
    // the job's first durable write, so that a restart knows which request the
    // job it settles answers.
    QString key{};

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
        Unwritable,  // the journal or the result file cannot be written: try again later
    };
    Outcome outcome = Outcome::Finished;
    // What the operator must be told (quarantine), or what the log gets.
    QString message;
};

// Thrown when a write that a job's exactly-once promise rests on fails (the
// journal or the result file, on a full disk say): the job stops before its
// next command, as if the process had died there, and the entry as last made
// durable is settled once the folder can be written again.
struct JobInterrupted
{
    QString why;
};

// Thrown when a command that changes the register got no whole reply: it may
// have been carried out, so it is not sent again. The job stops there as if
// the process had died with the command in flight, and the entry is settled
// on the next tick by the same code that settles a crash, without counting
// as another try at the job.
struct ReplyLost
{
    QString command;
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

// Lets tests make the journal's writes fail as on a full disk. Set from
// DRAVIMO_JOURNAL_FAIL_AT as "write:n": the n-th write to the journal folder
// (an entry begun, a line appended, the note, an entry removed; first is 1)
// and every later one in this process fail; "write:n-m": the n-th to the m-th
// fail, and writing works again after them.
class WriteFaults
{
public:
    explicit WriteFaults(const QString &setting = QString());
    // Counts one write; true when it must fail.
    bool failNow();

private:
    int failFrom_ = 0;
    int failTo_ = 0;
    int writes_ = 0;
};

class JobJournal
{
public:
    // folder: where the entry and the lock live (created when missing).
    explicit JobJournal(QString folder, CrashPoints crashPoints = CrashPoints(), WriteFaults faults = WriteFaults());
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
    // The command just sent got no whole reply in its answer window.
    bool recordReplyLost();
    // The job's outcome lines are written; leftOpen: it left a receipt open,
    // table: the table it left open for keying (the note beside the entry
    // says so from now on, durably).
    bool recordOutcome(bool leftOpen = false, int table = -1);
    // The job ended: the entry goes, once the left-open note follows its
    // outcome (an entry without one leaves the note as it was). False when
    // either could not be made durable: the entry then stays, to be settled
    // again.
    bool finish();

    // Whether the last job that ended left a receipt open.
    bool receiptLeftOpen() const;
    // The table the last job that ended left open for keying; -1 when none.
    int tableLeftOpen() const;

    // Why the last write failed, for the operator.
    QString lastError() const { return lastError_; }

    QString folder() const { return folder_; }
    CrashPoints &crashPoints() { return crash_; }

    // Reads an entry's bytes; a cut or damaged tail is ignored line by line.
    static std::optional<JournalEntry> parse(const QByteArray &bytes);
    static QByteArray serialise(const JournalEntry &entry);

private:
    bool appendLine(const QByteArray &line);
    bool failed(const QString &what);
    bool makeFolder();
    bool writeNote(bool leftOpen, int table);
    QList<QByteArray> noteLines() const;
    QString entryPath() const;

    QString folder_;
    CrashPoints crash_;
    WriteFaults faults_;
    QString lastError_;
    // The entry's outcome said the job left a receipt open.
    bool outcomeLeftOpen_ = false;
    int outcomeTable_ = -1;
    bool outcomeRecorded_ = false;
    bool noteWritten_ = false;
    std::unique_ptr<QLockFile> lock_;
    std::unique_ptr<QFile> open_;
};

} // namespace dravimo
