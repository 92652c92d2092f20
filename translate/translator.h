#pragma once
// The print-file translator: one print file in, the register's command
// sequence out, and the job's outcome appended to its result file. With a
// job journal, every job is recorded as it goes, and a job that a crash cut
// short is settled from the journal before any other runs.

#include "journal/jobjournal.h"
#include "journal/printjobfiles.h"
#include "settings/settings.h"

#include <QString>

#include <functional>
#include <optional>

namespace dravimo {

class EcrLink;
class Job;
class ProgressIndicator;
struct EcrSession;
struct ResumePoint;

class Translator
{
public:
    // journal: null runs jobs without one (nothing survives a crash).
    Translator(EcrSession &ecr, ProgressIndicator &progress, JobJournal *journal = nullptr);

    // Runs the job of a print file taken by files(). Returns false when it
    // was not read (no outcome lines are written then; the caller decides
    // what to do). A file too large to read is put aside, and counts as done.
    bool translate(const QString &path, const PrintJobFiles::Taken &taken, const TranslationOptions &options);
    // Takes the print file and runs its job.
    bool translate(const QString &path, const TranslationOptions &options);

    // The job's files: the controller takes and finishes print files through
    // the same object, so their order on disk is kept in one place.
    PrintJobFiles &files() { return files_; }

    // Settles the job the journal shows unfinished. The caller deletes the
    // print file of a Finished job, then ends the journal entry. afterRestart:
    // the process that ran the job ended (a crash, a kill, a power cut) and
    // this is another try at it; a job this process stopped itself (a write
    // that failed) does not count as one.
    Recovery recover(const JournalEntry &entry, const TranslationOptions &options, bool afterRestart = true);

    // Runs the daily Z report for an "MKZ" line (the controller's report),
    // through the link given.
    std::function<void(EcrLink &link)> zReport;
    // Tells the operator (the communication log) what a job did on its own.
    std::function<void(const QString &text)> notice;
    // Told when a job was refused whole (its result file may not be used):
    // a one-shot run then ends in failure.
    std::function<void()> jobRefused;
    // The idempotency key of the job of this print file, empty when it has
    // none (a host's file from the print folder): it goes into the job's
    // journal entry with the job's start.
    std::function<QString(const QString &path)> jobKey;
    // Told when a job has written its exit code to its result file (a job
    // run, refused whole, or settled after a crash), with how long it took
    // in program ms (-1 for a job settled by being put aside, whose start
    // was in another run).
    std::function<void(const QString &resultFile, int exitCode, qint64 tookMs)> jobEnded;
    // Told when a print file was put aside in the quarantine folder.
    std::function<void()> putAside;
    // Where a print file that must not be tried again is moved.
    QString quarantineFolder = QStringLiteral("quarantine");


private:
    bool runJob(const QString &path, const QByteArray &bytes, const TranslationOptions &options, ResumePoint *resume);
    void beginJob(Job &job, const QString &path, const QByteArray &bytes);
    void refuseResultFile(Job &job, const QString &named, const QString &why);
    void putAsideOversized(const QString &path);
    bool previousLeftOpen() const;
    int previousTableLeftOpen() const;
    Recovery resumeJob(JournalEntry &e, const QByteArray &bytes, const TranslationOptions &options);
    std::optional<bool> pendingCancelDone();
    bool cancelAndResend(const JournalEntry &e, const ResumePoint &dry, QList<JournalReply> &replies);
    Recovery settleInFlight(JournalEntry &entry, const QByteArray &bytes, const TranslationOptions &options);
    std::optional<Recovery> settleCommand(const JournalEntry &e, const ResumePoint &dry, QList<JournalReply> &replies);
    bool zReportDone(const JournalEntry &e, const ResumePoint &dry);
    bool tableItemArrived(const JournalEntry &e, const ResumePoint &dry);
    Recovery quarantine(const QString &path, const QString &why);
    Recovery quarantineJob(const QString &path, const QString &why);
    QString quarantineTarget(const QString &path) const;
    void appendQuarantined(const QString &where);
    Recovery quarantined(const QString &path, const QString &why, const QString &where) const;
    void cancelOpenReceipt();
    bool approvalSeen() const;

    EcrSession &ecr_;
    ProgressIndicator &progress_;
    JobJournal *journal_;
    PrintJobFiles files_;
    int cardAcknowledgementsBefore_ = 0;
    // The last job left its receipt open on the register (kept in the
    // journal folder when there is a journal, so that it outlives the process).
    bool previousLeftOpen_ = false;
    int previousTableLeftOpen_ = -1;
};

} // namespace dravimo
