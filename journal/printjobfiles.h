#pragma once
// The files of one print file's job, owned in one place: the print file
// (taken with one open: the ready test and the read on one descriptor, so
// the bytes read are the bytes judged ready), the result file's state at the
// job's start, the journal entry's beginning and end, and the print file's
// removal. The order in which they change on disk is the journal's invariant
// (journal/jobjournal.h); this class is where it is kept.
//
// The ready test is the only hand-shake with the host: a file is taken once
// it exists, is a regular file with content, and nobody else holds it
// locked. On Windows the locked open fails while the host still has the file
// open. POSIX locks are only advisory, so a host there must write each print
// file under another name and rename it into place when it is complete; a
// rename is atomic, and the job never sees half a receipt.

#include "journal/jobjournal.h"

#include <QByteArray>
#include <QString>

namespace dravimo {

class ResultFile;

// Whether a file can be taken now: free; held (another process has it
// locked, usually the host still writing it, or it went away meanwhile); or
// refused by the system (no permission to read it, say), with its reason.
struct PrintFileAccess
{
    enum State { Free, Held, Refused };
    State state = Free;
    QString reason;
};

// The lock test alone, for the search among numbered files. forAppend: open
// as a writer would (on Windows that is what a host's open file refuses).
PrintFileAccess printFileAccess(const QString &path, bool forAppend);

class PrintJobFiles
{
public:
    // results: the session's result file; journal: null without a journal.
    PrintJobFiles(ResultFile *results, JobJournal *journal) : results_(results), journal_(journal) {}

    // A print file larger than this (bytes) is not read; 0 reads any size.
    // A receipt is a few kilobytes; a programming file for a register's whole
    // item list of some thousands of lines stays well below the default.
    static constexpr qint64 kDefaultMaxSize = 1024 * 1024;
    void setMaxSize(qint64 bytes) { maxSize_ = bytes; }
    qint64 maxSize() const { return maxSize_; }

    struct Taken
    {
        enum State {
            Read,     // bytes holds the whole file
            NotReady, // missing, empty, not a regular file, or held by the host
            Refused,  // the system will not let us read it (reason says why)
            TooLarge, // larger than the limit: not read
        };
        State state = NotReady;
        QString reason;
        QByteArray bytes;
    };
    // Opens the print file once: the ready test, the size limit and the read.
    Taken take(const QString &path) const;

    // The job's durable start: the result file's size before the job (what
    // lies beyond it later is the job's), the result file's failures
    // forgotten, then the journal entry. False (the journal's lastError()
    // says why) when the entry could not be made durable: nothing may be sent
    // or written for the job then.
    bool begin(JournalEntry entry);

    // The job's end: the print file removed (unless it stays) and its folder
    // flushed, then the journal entry removed. False when either failed: the
    // entry then stays, to be settled again (why() says what failed).
    bool finish(const QString &path, bool removePrintFile);
    QString why() const { return why_; }

    JobJournal *journal() const { return journal_; }
    void setJournal(JobJournal *journal) { journal_ = journal; }

private:
    ResultFile *results_;
    JobJournal *journal_;
    qint64 maxSize_ = kDefaultMaxSize;
    QString why_;
};

} // namespace dravimo
