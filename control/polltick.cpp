// The poll tick: one tick finds at most one ready print file, hands it to the
// translator and removes it afterwards.

#include "control/controller.h"
#include "control/jobfiles.h"
#include "control/printfolderwatch.h"
#include "control/statustexts.h"
#include "control/submittedjobs.h"
#include "core/files.h"
#include "core/progressindicator.h"

#include <QDateTime>
#include <QFile>
#include <QFileInfo>

#include <exception>

namespace dravimo {

void Controller::pollTick()
{
    // Jobs let pending events run, so this tick may have fallen due in the
    // middle of another job (or of a report): it starts nothing then.
    if (busy() || closing_)
        return;
    BusyScope busy(*this);
    progress_.setValue(0);
    const auto s = readTickSettings();
    if (!s)
        return;
    if (watch_ && pollTimer_.isActive() && !oneShot())
        watch_->follow(*s);
    view_.repaint();
    // A job cut short is settled before another print file is even taken:
    // its own print file may be the one found next.
    const bool settled = settleUnfinishedJob();
    if (submitted_)
        submitted_->refresh();
    if (!settled)
        return;
    if (submittedJobGoesFirst(*s))
        runSubmittedJob(*s);
    else if (s->fileMode == FileMode::Single)
        runSingleFileJob(*s);
    else if (s->fileMode == FileMode::Multi)
        runMultiFileSearch(*s);
}

void Controller::setPrintFolderWatch(PrintFolderWatch *watch)
{
    watch_ = watch;
    if (watch_) {
        // A watch tick is a poll tick that came early: none while the poll
        // is off, held back while a register operation runs.
        watch_->setTick([this] {
            if (busy())
                return false;
            if (pollTimer_.isActive())
                pollTick();
            return true;
        });
    }
}

// A job handed over by a call became ready when it was saved; a print file
// when it was renamed into place (or last written), which is when its entry
// in the folder last changed. The one that became ready first runs.
bool Controller::submittedJobGoesFirst(const Settings &s)
{
    const auto next = submitted_ ? submitted_->next() : std::nullopt;
    if (!next)
        return false;
    QString candidate;
    if (s.fileMode == FileMode::Single)
        candidate = s.location + s.file;
    else if (s.fileMode == FileMode::Multi)
        candidate = s.file.contains(QLatin1Char('*')) ? findWildcardPrintFile(s.location, s.file)
                                                      : findNumberedPrintFile(s.location + s.file);
    const QFileInfo file(candidate);
    if (candidate.isEmpty() || !file.exists() || file.size() == 0)
        return true;
    // A print file the host still holds (or the system will not let us read)
    // is not ready yet, whatever its times say: it must not hold up the jobs
    // behind it.
    if (printFileAccess(candidate, false).state != PrintFileAccess::Free)
        return true;
    const QDateTime ready = qMax(file.metadataChangeTime(), file.lastModified());
    return next->acceptedMs < ready.toMSecsSinceEpoch();
}

// The job's print file is Dravimo's own, in its working folder: it is run
// and removed like a host's, and its outcome goes to its own result file.
void Controller::runSubmittedJob(const Settings &s)
{
    const auto next = submitted_->next();
    const auto taken = takeReady(next->path);
    if (!taken)
        return;
    // The job counter (the window's, and the print-folder hosts' receipt.txt)
    // counts print files only: a print-folder host reads it to match its
    // files to their outcomes, and an HTTP host follows its job by id.
    submitted_->started(next->id);
    if (runJob(next->path, *taken, s) == JobOutcome::Done)
        jobEnded(next->path, true);
    submitted_->refresh();
    view_.setStatus(texts::kJobDoneStatus);
    view_.repaint();
    view_.setCaption(texts::kJobDoneCaption);
}

// An edit of param.ini takes effect on the next tick. A param.ini that cannot
// be read (the settings dialog rewriting it, say) makes an idle tick.
std::optional<Settings> Controller::readTickSettings()
{
    auto s = oneShot() ? settingsFromCommandLine(commandLine_) : changedSettingsFile();
    if (!s) {
        if (oneShot())
            farewell();
        return std::nullopt;
    }
    setConnection(s->connection);
    return s;
}

// One print file with a fixed name. A file that is missing, empty or still
// held by the host makes an idle tick and is taken on a later one: an empty
// file is usually one the host has only just created.
void Controller::runSingleFileJob(const Settings &s)
{
    // "receipt.txt" is emptied before the job and held open until the tick
    // ends, as single-file hosts have always seen it.
    QFile receipt(kReceiptFile);
    receipt.open(QIODevice::WriteOnly | QIODevice::Truncate);
    const QString path = s.location + s.file;
    const auto taken = takeReady(path);
    if (!taken)
        return;
    removeFile(kEndMarkerFile);
    view_.setLabel(InfoLabel::JobCounter, QString::number(nextJobNumber()));
    if (runJob(path, *taken, s) == JobOutcome::Done)
        jobEnded(path, !isProgrammingFile(path, false));
}

// Numbered files (stem.1 to stem.10, lowest first) or a name pattern.
void Controller::runMultiFileSearch(const Settings &s)
{
    const QString candidate = s.file.contains(QLatin1Char('*')) ? findWildcardPrintFile(s.location, s.file)
                                                                : findNumberedPrintFile(s.location + s.file);
    const auto taken = candidate.isEmpty() ? std::nullopt : takeReady(candidate);
    if (!taken)
        return;
    removeFile(kEndMarkerFile);
    const qint16 counter = nextJobNumber();
    view_.setLabel(InfoLabel::JobCounter, QString::number(counter));
    const JobOutcome outcome = runJob(candidate, *taken, s);
    if (outcome == JobOutcome::Interrupted)
        return;
    if (outcome == JobOutcome::Done)
        jobEnded(candidate, !isProgrammingFile(candidate, true));
    writeReceiptFile(counter);
    view_.setStatus(texts::kJobDoneStatus);
    view_.repaint();
    view_.setCaption(texts::kJobDoneCaption);
}

// The print file taken for its job (one open: the ready test and the read),
// or nothing while it is not ready. A ready file that the system will not let
// us read waits like one the host still holds (a lower number still goes
// first), but unlike a held file it will not come free by itself: the
// operator is told, once, with its name and the reason, and again only when
// the reason changes.
std::optional<PrintJobFiles::Taken> Controller::takeReady(const QString &path)
{
    PrintJobFiles::Taken taken = files_->take(path);
    if (taken.state != PrintJobFiles::Taken::Refused) {
        refusedFile_.clear();
        if (taken.state == PrintJobFiles::Taken::NotReady)
            return std::nullopt;
        return taken;
    }
    const QString report = texts::kUnreadablePrintFile + path + QStringLiteral(": ") + taken.reason;
    if (report != refusedFile_) {
        refusedFile_ = report;
        view_.setStatus(report);
        view_.repaint();
        view_.notice(report);
    }
    return std::nullopt;
}

// A file the translator could not read at all is kept: nothing of it reached
// the register or the result file, and deleting it would lose the receipt. A
// job that failed part-way counts as done, since printing it again would
// print its first lines twice.
Controller::JobOutcome Controller::runJob(const QString &path, const PrintJobFiles::Taken &taken, const Settings &s)
{
    try {
        if (translate_ && translate_(path, taken, s.translation))
            return JobOutcome::Done;
        return JobOutcome::NotRead;
    } catch (const JobInterrupted &stopped) {
        jobInterrupted(stopped.why);
        return JobOutcome::Interrupted;
    } catch (const ReplyLost &lost) {
        replyLost(lost.command);
        return JobOutcome::Interrupted;
    } catch (const std::exception &) {
        return JobOutcome::Done;
    }
}

} // namespace dravimo
