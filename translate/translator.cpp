#include "translate/translator.h"

#include "core/clock.h"
#include "core/files.h"
#include "core/progressindicator.h"
#include "core/resultfile.h"
#include "core/window.h"
#include "ecr/session.h"
#include "greek/cp1253.h"
#include "journal/jobjournal.h"
#include "translate/handlers.h"
#include "translate/journaledlink.h"
#include "translate/paperwaitlink.h"
#include "translate/printfile.h"

#include <QFile>
#include <QFileInfo>
#include <QStringList>

namespace dravimo {
namespace {

// The progress indicator counts in 16 bits.
constexpr int kProgressLimit = 32767;

void setUpJob(Job &job, ProgressIndicator &progress, const QString &text, int lineCount)
{
    JobState &s = job.state;
    s.resultFile = directiveValue(text, QStringLiteral("resFile:"), s.resultFile);
    s.tag = directiveValue(text, QStringLiteral("tag:"), s.tag, EmptyValue::Kept);
    job.ecr.results.setPath(s.resultFile);
    progress.setMaximum(static_cast<qint16>(qMin(lineCount, kProgressLimit)));
    progress.setValue(0);
    s.zeroPayment = true;
}

// The code of the "Err = " line for a result file that may not be used.
constexpr qint16 kResultFileRefused = -9;

void writeHeader(Job &job)
{
    job.appendResult(QStringLiteral("tag = ") + job.state.tag);
    job.appendResult(QStringLiteral("DateTime start = ") + formatDateTime(job.ecr.clock.wallNow()));
}

// The register may still hold an error or a half-keyed entry from before,
// and the receipt an earlier job left open (keyed, never paid): its items must
// not become this job's. False when that receipt cannot be cancelled (it holds
// a payment): the job does not start, and the next one looks again, until
// the operator has finished that receipt on the register.
bool cancelLeftOpenReceipt(Job &job, const std::function<void(const QString &)> &notice)
{
    if (!job.state.settleLeftOpen || !job.receiptOpen())
        return true;
    const bool cancelled = job.send(ecrcommand::cancelReceipt(), Quiet::Yes) == 0;
    if (notice && !job.journal->replaying())
        notice(cancelled ? QStringLiteral("Ακυρώθηκε η απόδειξη που άφησε ανοιχτή η προηγούμενη εργασία")
                         : QStringLiteral("Η ταμειακή κρατά ανοιχτή απόδειξη με πληρωμή από προηγούμενη "
                                          "εργασία: ολοκληρώστε την στην ταμειακή"));
    job.state.receiptLeftOpen = !cancelled;
    return cancelled;
}

// A table an earlier job meant to put aside and left open for keying: its
// items would take this job's sales. Put aside ("KXTO") before the first
// line; refused, the job does not start and the next one tries again.
bool putAsideLeftOpenTable(Job &job, const std::function<void(const QString &)> &notice)
{
    const int table = job.state.settleTable;
    if (table <= 0 || job.queries.openTable() != table)
        return true;
    const bool parked = job.send(ecrcommand::tablePark()) == 0;
    if (notice && !job.journal->replaying())
        notice(parked ? QStringLiteral("Αποθηκεύτηκε το τραπέζι %1 που άφησε ανοιχτό η προηγούμενη εργασία").arg(table)
                      : QStringLiteral("Το τραπέζι %1 μένει ανοιχτό από προηγούμενη εργασία").arg(table));
    if (!parked)
        job.state.tableLeftOpen = table;
    return parked;
}

bool clearRegister(Job &job, const std::function<void(const QString &)> &notice)
{
    job.send(ecrcommand::clear(), Quiet::Yes);
    job.send(ecrcommand::clear(), Quiet::Yes);
    if (!cancelLeftOpenReceipt(job, notice)) {
        // The table's note must outlive this job too.
        job.state.tableLeftOpen = job.state.settleTable;
        return false;
    }
    return putAsideLeftOpenTable(job, notice);
}

void advanceProgress(ProgressIndicator &progress)
{
    const qint16 value = progress.value();
    progress.setValue(value < kProgressLimit ? static_cast<qint16>(value + 1) : value);
}

void readLines(Job &job, JournaledLink &link, ProgressIndicator &progress, const QStringList &lines)
{
    for (const QString &line : lines) {
        job.record.clearPerLine();
        link.lineStarts();
        advanceProgress(progress);
        if (recogniseLine(job, line) == LineResult::StopJob) {
            job.state.exitCode = 1;
            return;
        }
    }
}

} // namespace

Translator::Translator(EcrSession &ecr, ProgressIndicator &progress, JobJournal *journal)
    : ecr_(ecr), progress_(progress), journal_(journal), files_(&ecr.results, journal)
{}

bool Translator::translate(const QString &path, const TranslationOptions &options)
{
    return translate(path, files_.take(path), options);
}

bool Translator::translate(const QString &path, const PrintJobFiles::Taken &taken, const TranslationOptions &options)
{
    if (taken.state == PrintJobFiles::Taken::TooLarge) {
        putAsideOversized(path);
        return true;
    }
    return taken.state == PrintJobFiles::Taken::Read && runJob(path, taken.bytes, options, nullptr);
}

// A print file far larger than any receipt is a host gone wrong (or a file
// that is no print file at all): read whole, it could take the memory of the
// machine. It is kept aside for someone to look at, and the host told why.
void Translator::putAsideOversized(const QString &path)
{
    ecr_.results.setPath(kDefaultResultFile);
    const Recovery r = quarantine(path, QStringLiteral("το αρχείο εκτύπωσης είναι μεγαλύτερο από %1 bytes")
                                             .arg(files_.maxSize()));
    ecr_.window.setStatus(r.message);
    ecr_.window.repaint();
    if (notice)
        notice(r.message);
    if (jobRefused)
        jobRefused();
}

// A result file the job may not write to: nothing is sent, and the host
// reads why in the default result file.
void Translator::refuseResultFile(Job &job, const QString &named, const QString &why)
{
    job.ecr.results.setPath(kDefaultResultFile);
    writeHeader(job);
    job.appendResult(QStringLiteral("Err = %1, [resFile: %2] %3 DateTime = %4")
                         .arg(kResultFileRefused)
                         .arg(named, why, formatDateTime(ecr_.clock.wallNow())));
    job.appendResult(QStringLiteral("DateTime end = ") + formatDateTime(ecr_.clock.wallNow()));
    job.appendResult(QStringLiteral("exitcode = 1"));
    job.ecr.results.sync();
    if (jobEnded)
        jobEnded(kDefaultResultFile, 1, 0);
    if (notice)
        notice(QStringLiteral("Το αρχείο αποτελεσμάτων ") + named + QStringLiteral(" δεν χρησιμοποιείται: ") + why);
    if (jobRefused)
        jobRefused();
}

// The register's numbers before the job, then the journal entry, then the
// header: from here on a crash is settled, not repeated, and a start that
// could not be recorded wrote nothing the host could read twice.
void Translator::beginJob(Job &job, const QString &path, const QByteArray &bytes)
{
    if (!journal_) {
        writeHeader(job);
        return;
    }
    const QString before = ecr_.link.send(ecrcommand::receiptNumbers(), Quiet::Yes).reply;
    JournalEntry entry{path, fingerprintOf(bytes), before, 1, previousLeftOpen(), {}, false, false};
    entry.settleTable = previousTableLeftOpen();
    if (jobKey)
        entry.key = jobKey(path);
    if (!files_.begin(entry))
        throw JobInterrupted{journal_->lastError()};
    writeHeader(job);
}

bool Translator::previousLeftOpen() const
{
    return journal_ ? journal_->receiptLeftOpen() : previousLeftOpen_;
}

int Translator::previousTableLeftOpen() const
{
    return journal_ ? journal_->tableLeftOpen() : previousTableLeftOpen_;
}

bool Translator::runJob(const QString &path, const QByteArray &bytes, const TranslationOptions &options,
                        ResumePoint *resume)
{
    const bool dryRun = resume && resume->dryRun;
    const qint64 startedMs = ecr_.clock.nowMs();
    JournaledLink link(ecr_.link, dryRun ? nullptr : journal_, &ecr_.results);
    if (resume)
        link.replay(resume->replies, dryRun, resume->diedOn, resume->firstRun);
    EcrSession waits{link, ecr_.window, ecr_.clock, ecr_.results, ecr_.numbers, ecr_.waitLimit};
    PaperWaitLink paperWaits(link, waits);
    EcrSession session{paperWaits, ecr_.window, ecr_.clock, ecr_.results, ecr_.numbers, ecr_.waitLimit};
    // What the first run wrote while it went through the commands replayed
    // now (the error wait's lines, say) is in the result file already.
    struct Unmute
    {
        ResultFile &results;
        ~Unmute() { results.setMuted(nullptr); }
    } unmute{ecr_.results};
    ecr_.results.setMuted([&link] { return link.dryRun() || link.replaying(); });
    Job job(session, options);
    job.zReport = zReport;
    job.journal = &link;
    if (journal_ && !dryRun) {
        job.outcomeWritten = [this, &link](bool leftOpen, int table) {
            link.settleWrites();
            if (!journal_->recordOutcome(leftOpen, table))
                throw JobInterrupted{journal_->lastError()};
        };
    }
    const QString text = cp1253::decode(bytes);
    const QStringList lines = splitLines(text);
    setUpJob(job, progress_, text, int(qMin<qsizetype>(lines.size(), kProgressLimit)));
    if (!resume) {
        auto why = ecr_.results.refusal(job.state.resultFile);
        if (!why && QFileInfo(job.state.resultFile) == QFileInfo(path))
            why = QStringLiteral("the print file itself");
        if (why) {
            refuseResultFile(job, job.state.resultFile, *why);
            return true;
        }
        beginJob(job, path, bytes);
    } else if (resume->writeHeader) {
        writeHeader(job);
    }
    job.state.settleLeftOpen = resume ? resume->settleLeftOpen : previousLeftOpen();
    job.state.settleTable = resume ? resume->settleTable : previousTableLeftOpen();
    try {
        if (clearRegister(job, notice))
            readLines(job, link, progress_, lines);
        else
            job.state.exitCode = 1;
        finishJob(job);
        if (jobEnded && !dryRun)
            jobEnded(ecr_.results.path(), job.state.exitCode, ecr_.clock.nowMs() - startedMs);
    } catch (const CommandInFlight &inFlight) {
        if (!dryRun)
            throw;
        resume->inFlight = inFlight;
    }
    if (dryRun)
        resume->sent = link.sent();
    else {
        previousLeftOpen_ = job.state.receiptLeftOpen;
        previousTableLeftOpen_ = job.state.tableLeftOpen;
    }
    return true;
}

} // namespace dravimo
