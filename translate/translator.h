#pragma once
// The print-file translator: one print file in, the register's command
// sequence out, and the job's outcome appended to its result file. With a
// job journal, every job is recorded as it goes, and a job that a crash cut
// short is settled from the journal before any other runs.

#include "journal/jobjournal.h"
#include "settings/settings.h"

#include <QString>

#include <functional>
#include <optional>

namespace dravimo {

class EcrLink;
class ProgressIndicator;
struct EcrSession;
struct ResumePoint;

class Translator
{
public:
    // journal: null runs jobs without one (nothing survives a crash).
    Translator(EcrSession &ecr, ProgressIndicator &progress, JobJournal *journal = nullptr);

    // Translates one print file. Returns false when the file could not be
    // opened or read (no outcome lines are written then; the caller decides
    // what to do).
    bool translate(const QString &path, const TranslationOptions &options);

    // Settles the job the journal shows unfinished. The caller deletes the
    // print file of a Finished job, then ends the journal entry.
    Recovery recover(const JournalEntry &entry, const TranslationOptions &options);

    // Runs the daily Z report for an "MKZ" line (the controller's report),
    // through the link given.
    std::function<void(EcrLink &link)> zReport;
    // Tells the operator (the communication log) what a job did on its own.
    std::function<void(const QString &text)> notice;
    // Where a print file that must not be tried again is moved.
    QString quarantineFolder = QStringLiteral("quarantine");

private:
    bool runJob(const QString &path, const QByteArray &bytes, const TranslationOptions &options, ResumePoint *resume);
    Recovery settleInFlight(JournalEntry &entry, const QByteArray &bytes, const TranslationOptions &options);
    std::optional<Recovery> settleCommand(const JournalEntry &e, const ResumePoint &dry, QList<JournalReply> &replies);
    bool zReportDone(const JournalEntry &e, const ResumePoint &dry);
    bool tableItemArrived(const JournalEntry &e, const ResumePoint &dry);
    Recovery quarantine(const JournalEntry &entry, const QString &why);
    void cancelOpenReceipt();
    bool approvalSeen() const;

    EcrSession &ecr_;
    ProgressIndicator &progress_;
    JobJournal *journal_;
    int cardAcknowledgementsBefore_ = 0;
    // The last job left its receipt open on the register.
    bool previousLeftOpen_ = false;
};

} // namespace dravimo
