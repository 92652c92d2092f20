// Start-up, the one-shot run, shutdown and the busy guard of the controller.
// The poll tick, the ECR check with printing on and off, and the reports live
// in their own files.

#include "control/controller.h"

#include "control/exitcodes.h"
#include "control/jobfiles.h"
#include "control/launch.h"
#include "control/printfolderwatch.h"
#include "control/statustexts.h"
#include "core/clock.h"
#include "core/files.h"
#include "core/metricnames.h"
#include "core/metrics.h"
#include "ecr/link.h"
#include "ecr/protocol.h"

#include <QFileInfo>

#include <exception>

namespace dravimo {

using namespace std::chrono_literals;

namespace {
constexpr auto kTimerTick = 1000ms;
// A one-shot run polls more slowly; the interval is kept for the start action
// even though the one-shot job never waits for the poll timer.
constexpr auto kOneShotTick = 3000ms;
// The failure number shown for a start-up step that threw: the numbering of
// error.lst has no better one for "the program itself failed".
constexpr int kInternalError = 51;
} // namespace

Controller::Controller(MainView &view, Clock &clock, EcrLink &ecr, ProgressIndicator &progress, QString commandLine)
    : view_(view), clock_(clock), ecr_(ecr), progress_(progress), commandLine_(std::move(commandLine))
{
    pollTimer_.setInterval(clock_.realMs(kOneShotTick));
    QObject::connect(&pollTimer_, &QTimer::timeout, &pollTimer_, [this] { pollTick(); });
    QObject::connect(&ecrCheckTimer_, &QTimer::timeout, &ecrCheckTimer_, [this] { ecrCheckTick(); });
    QObject::connect(&housekeepingTimer_, &QTimer::timeout, &housekeepingTimer_, [this] { housekeepingTick(); });
    housekeepingTimer_.setInterval(clock_.realMs(kTimerTick));
}

void Controller::start()
{
    // A stop that came before the event loop ran start-up.
    if (closing_)
        return;
    if (!lockWorkingFolder())
        return;
    if (!loadSettings())
        return;
    fillInformationLabels();
    try {
        searchForEcr();
    } catch (const std::exception &e) {
        startupFailure(kInternalError, QString::fromLocal8Bit(e.what()));
        return;
    }
    if (oneShot())
        runOneShot();
}

void Controller::setConnection(const Connection &connection)
{
    connection_ = connection;
    ecr_.setConnection(connection.text);
}

// The settings come from param.ini, or from the command line of a one-shot
// run. A param.ini that is missing or unusable is a start-up failure that
// says what is wrong with it: the operator lands in the settings dialog,
// which writes a fresh file, and a service's journal names the file and the
// problem instead of a register that never answered.
bool Controller::loadSettings()
{
    if (!oneShot()) {
        QString problem = settingsFileProblem();
        auto s = problem.isEmpty() ? readSettingsFile(SettingsVariant::Startup, connection_) : std::nullopt;
        if (s) {
            problem = missingPortProblem(*s);
            if (!problem.isEmpty())
                s.reset();
        }
        if (!s) {
            startupFailure(kFileNotFound,
                           problem.isEmpty() ? QStringLiteral("Δεν βρέθηκε ή δεν διαβάζεται το αρχείο ρυθμίσεων ")
                                   + QFileInfo(kSettingsFile).absoluteFilePath()
                                             : problem);
            return false;
        }
        settings_ = *s;
        setConnection(s->connection);
        return true;
    }
    auto s = settingsFromCommandLine(commandLine_);
    if (!s) {
        farewell();
        return false;
    }
    // Without ":baud" the port can never be set up: the run would search for
    // ever without sending a byte. The host is told at once instead.
    const QString connection = splitCommandLine(commandLine_).connection;
    if (connection.section(QLatin1Char(':'), 1).isEmpty()) {
        messageBox(view_, QStringLiteral("Πρόβλημα στο Set-Up τής Θύρας :") + connection, mb::Critical);
        closeMainWindow(exitcode::kRejectedCommandLine);
        return false;
    }
    settings_ = *s;
    setConnection(s->connection);
    return true;
}

// param.ini as a poll tick sees it: read again only when its size or time
// stamp changed, so an edit still takes effect on the next tick while an
// untouched file costs one look at its directory entry. A time stamp of the
// last two seconds proves nothing (file systems keep it in steps of a few
// milliseconds to two seconds, and a second edit of the same size may share
// it), so such a file is read every tick until it has aged. A file that
// turned unusable makes idle ticks (the settings dialog may be rewriting it)
// and is reported once per problem.
std::optional<Settings> Controller::changedSettingsFile()
{
    constexpr qint64 kStampResolutionMs = 2000;
    const QFileInfo info(kSettingsFile);
    const SettingsStamp stamp{info.exists(), info.size(), info.lastModified()};
    const bool settled = stamp.modified.msecsTo(QDateTime::currentDateTime()) > kStampResolutionMs;
    if (tickSettingsRead_ && stamp == tickSettingsStamp_ && settled)
        return tickSettings_;
    tickSettingsRead_ = true;
    tickSettingsStamp_ = stamp;
    const QString problem = settingsFileProblem();
    if (!problem.isEmpty()) {
        tickSettings_.reset();
        if (problem != settingsProblem_)
            view_.notice(problem);
        settingsProblem_ = problem;
        return std::nullopt;
    }
    settingsProblem_.clear();
    tickSettings_ = readSettingsFile(SettingsVariant::Poll, connection_);
    return tickSettings_;
}

void Controller::fillInformationLabels()
{
    const Settings &s = settings_;
    view_.setLabel(InfoLabel::Connection, connection_.text);
    view_.setLabel(InfoLabel::Baud, connection_.baud);
    view_.setLabel(InfoLabel::PrintFile, s.file + texts::kFilePathJoin + s.location);
    view_.setLabel(InfoLabel::EcrType, s.ecrType);
    view_.setLabel(InfoLabel::Descriptions, s.descriptionsOn ? texts::kDescriptionOn : texts::kDescriptionOff);
    view_.setLabel(InfoLabel::Comments, s.commentsShown ? texts::kCommentsOn : texts::kCommentsOff);
    const Currency currency = s.translation.currency;
    if (currency == Currency::Main || currency == Currency::AsInFile)
        view_.setLabel(InfoLabel::Currency, texts::kMainCurrency);
    else if (currency == Currency::Secondary)
        view_.setLabel(InfoLabel::Currency, texts::kSecondCurrency);
}

// The window shows that the register is being looked for, and the ECR check
// and housekeeping start.
void Controller::searchForEcr()
{
    view_.setCaption(texts::kSearchingCaption);
    view_.setStatus(texts::kSearchingStatus);
    view_.repaint();
    view_.showWindow();
    view_.repaint();
    ecrCheckTimer_.setInterval(clock_.realMs(kTimerTick));
    ecrCheckTimer_.start();
    housekeepingTimer_.start();
    view_.setButtonEnabled(Button::StartPrinting, false);
    view_.setButtonEnabled(Button::StopPrinting, false);
    view_.addTrayIcon();
    pollTimer_.stop();
}

// The one-shot run: the register is looked for until it answers, then the
// one print file is translated exactly once and the program ends. The whole
// run counts as one job, so a poll tick can never pick up the same print file
// while the register is still being looked for; the poll timer is not started
// at all.
void Controller::runOneShot()
{
    BusyScope busy(*this);
    ecrCheckTimer_.stop();
    pollTimer_.setInterval(clock_.realMs(kOneShotTick));
    // The host may end the process; until then the register is looked for.
    while (!searchForEcrOnce() && !closing_) {
    }
    while (!closing_ && !settleUnfinishedJob()) {
        // A folder that cannot be written will not heal while the host waits
        // for us: the entry stays for the host's next run.
        if (!writeAlert_.isEmpty()) {
            closeMainWindow(exitcode::kFailure);
            return;
        }
    }
    if (closing_)
        return;
    showReady();
    const QString path = settings_.file;
    // The host started the run again after a crash, and the settling of the
    // journal finished this very job: nothing is left to do.
    if (!settledPath_.isEmpty() && QFileInfo(settledPath_) == QFileInfo(path) && !QFileInfo::exists(path)) {
        closeMainWindow(settledQuarantined_ ? exitcode::kFailure : exitcode::kNormal);
        return;
    }
    try {
        bool read = false;
        try {
            const PrintJobFiles::Taken taken = files_->take(path);
            read = translate_ && translate_(path, taken, settings_.translation);
        } catch (const JobInterrupted &stopped) {
            jobInterrupted(stopped.why);
            closeMainWindow(exitcode::kFailure);
            return;
        } catch (const ReplyLost &lost) {
            replyLost(lost.command);
            while (!closing_ && !settleUnfinishedJob()) {
                if (!writeAlert_.isEmpty()) {
                    closeMainWindow(exitcode::kFailure);
                    return;
                }
            }
            closeMainWindow(settledQuarantined_ ? exitcode::kFailure : exitcode::kNormal);
            return;
        }
        if (!read) {
            messageBox(view_,
                       QStringLiteral("Λάθος : ") + QString::number(kFileNotFound) + QLatin1Char('\r')
                           + QStringLiteral("Δεν διαβάζεται το αρχείο εκτύπωσης ") + path,
                       mb::Critical);
            closeMainWindow(exitcode::kFailure);
            return;
        }
        jobEnded(path, true);
        if (!writeAlert_.isEmpty() || jobRefused_) {
            closeMainWindow(exitcode::kFailure);
            return;
        }
    } catch (const std::exception &e) {
        messageBox(view_,
                   QStringLiteral("Λάθος : ") + QString::number(kInternalError) + QLatin1Char('\r')
                       + QString::fromLocal8Bit(e.what()),
                   mb::Critical);
        closeMainWindow(exitcode::kFailure);
        return;
    }
    closeMainWindow(0);
}

// One "KXCL" to see whether the register answers. Quiet: a register that is
// switched off is the expected case here, and a box after every 28 s of
// silence would stop a one-shot run until someone pressed OK. Each failed
// attempt leaves its trace for whoever watches.
bool Controller::searchForEcrOnce()
{
    // A card payment cut short may still be running on the terminal: a key
    // would abandon it, a question does not.
    const bool cardRunning = unfinished_ && unfinished_->cardInFlight;
    const CommandResult r = ecr_.send(cardRunning ? ecrcommand::status() : ecrcommand::clear(), Quiet::Yes);
    if (!r.ok()) {
        // An error reply carries only its code: say what it means.
        const QString why = r.code > 0 ? ecrErrorText(r.reply, NumberFormat(QLatin1Char('.'))) : r.reply;
        view_.notice(texts::kSearchFailed + why + QStringLiteral(" (") + QString::number(r.code) + QLatin1Char(')'));
    }
    return r.ok();
}

// One Dravimo per working folder: two would send their jobs to one register
// in turns and keep one journal. A lock left by a process that died is taken
// over. The job a dead process left unfinished is read here, so the search
// for the register already knows whether a card payment may be running.
bool Controller::lockWorkingFolder()
{
    if (!journal_)
        return true;
    QString why;
    if (!journal_->lock(why)) {
        messageBox(view_, QStringLiteral("Το Dravimo δεν ξεκινά: ") + why, mb::Critical);
        closeMainWindow(exitcode::kAlreadyRunning);
        return false;
    }
    unfinished_ = journal_->unfinished();
    return true;
}

// A job a crash cut short is settled before any other job runs. False while
// the register does not answer or the folder cannot be written: the entry
// stays, to be tried again.
bool Controller::settleUnfinishedJob()
{
    if (!journal_ || !unfinished_)
        return true;
    // Said once per job: a full disk makes every tick try again.
    if (!settleAnnounced_)
        view_.notice(QStringLiteral("Διακόπηκε εργασία, τακτοποιείται: ") + unfinished_->path);
    settleAnnounced_ = true;
    const Recovery r = settle_ ? settle_(*unfinished_, settings_.translation, unfinishedAfterRestart_) : Recovery{};
    if (r.outcome == Recovery::Outcome::Unwritable) {
        jobInterrupted(r.message);
        return false;
    }
    if (r.outcome != Recovery::Outcome::EcrSilent) {
        settledPath_ = unfinished_->path;
        settledQuarantined_ = r.outcome == Recovery::Outcome::Quarantined;
    }
    countSettlement(r.outcome);
    switch (r.outcome) {
    case Recovery::Outcome::EcrSilent:
    case Recovery::Outcome::Unwritable: resumeFromJournal(); return false;
    case Recovery::Outcome::Finished: view_.notice(r.message); break;
    case Recovery::Outcome::Dropped: view_.notice(r.message); break;
    case Recovery::Outcome::Quarantined:
        view_.setStatus(r.message);
        view_.repaint();
        messageBox(view_, r.message, mb::Critical);
        break;
    }
    const QString &path = unfinished_->path;
    const bool remove = r.outcome == Recovery::Outcome::Finished && !isProgrammingFile(path, true)
                     && !isProgrammingFile(path, false);
    if (!files_->finish(path, remove)) {
        jobInterrupted(files_->why());
        return false;
    }
    unfinished_.reset();
    unfinishedAfterRestart_ = true;
    settleAnnounced_ = false;
    writesWorkAgain();
    return true;
}

// Tries that settled nothing (the register silent, a write failed) are not
// settlements: the same job is tried again.
void Controller::countSettlement(Recovery::Outcome outcome)
{
    if (!metrics_)
        return;
    switch (outcome) {
    case Recovery::Outcome::Finished: metrics_->add(metric::kSettlements, QStringLiteral("finished")); break;
    case Recovery::Outcome::Dropped: metrics_->add(metric::kSettlements, QStringLiteral("dropped")); break;
    case Recovery::Outcome::Quarantined: metrics_->add(metric::kSettlements, QStringLiteral("quarantined")); break;
    case Recovery::Outcome::EcrSilent:
    case Recovery::Outcome::Unwritable: break;
    }
}

// A settlement cut short (the register silent again, a write failed, a
// reply lost) may have got somewhere: a receipt cancelled, the try after a
// restart counted. What the journal holds now is where the next try starts;
// the entry read before would undo that, send the cancelled receipt's
// payment on a register with no receipt, and count the restart again.
void Controller::resumeFromJournal()
{
    std::optional<JournalEntry> now = journal_->unfinished();
    if (!now)
        return;
    if (now->attempt > unfinished_->attempt)
        unfinishedAfterRestart_ = false;
    unfinished_ = std::move(now);
}

// The print file goes first (its removal flushed to disk), then the journal
// entry: a crash or a power cut between the two finds a finished entry,
// never a print file whose job is forgotten. Either failing is a crash at
// that point: the entry stays and is settled on a later tick.
void Controller::jobEnded(const QString &path, bool removePrintFile)
{
    if (!files_->finish(path, removePrintFile)) {
        if (journal_)
            jobInterrupted(files_->why());
        return;
    }
    writesWorkAgain();
}

// A write the job's record rests on failed: the job stopped before its next
// command, as if the process had died there. What the journal holds is
// settled on a later tick, without counting as another try at the job. The
// operator hears of it once per episode.
void Controller::jobInterrupted(const QString &why)
{
    if (journal_) {
        unfinished_ = journal_->unfinished();
        unfinishedAfterRestart_ = false;
    }
    if (!writeAlert_.isEmpty())
        return;
    writeAlert_ = texts::kWriteFailed + why;
    view_.setStatus(writeAlert_);
    view_.repaint();
    view_.notice(writeAlert_);
}

// A command that changes the register got no whole reply: the job stopped
// with it in flight, as a crash would have left it, and the entry is settled
// in this process by the code that settles a crash (on the next tick, or at
// once in a one-shot run), without counting as another try at the job.
void Controller::replyLost(const QString &command)
{
    if (journal_) {
        unfinished_ = journal_->unfinished();
        unfinishedAfterRestart_ = false;
    }
    view_.notice(texts::kReplyLost + command);
}

void Controller::writesWorkAgain()
{
    if (writeAlert_.isEmpty())
        return;
    writeAlert_.clear();
    view_.notice(texts::kWritesWorkAgain);
}

// The register answered: printing can be started.
void Controller::showReady()
{
    view_.setStatus(texts::kOnLineStatus);
    view_.repaint();
    view_.setCaption(texts::kReadyCaption);
    view_.setButtonEnabled(Button::StartPrinting, true);
    view_.setDefaultButton(Button::StartPrinting);
    ecrCheckTimer_.stop();
}

void Controller::startupFailure(int number, const QString &description)
{
    pollTimer_.stop();
    view_.hideWindow();
    view_.openSettingsDialog();
    messageBox(view_, QStringLiteral("Λάθος : ") + QString::number(number) + QLatin1Char('\r') + description,
               mb::Critical);
    closeMainWindow(exitcode::kFailure);
}

void Controller::closeMainWindow(int exitCode)
{
    if (closed_)
        return;
    closed_ = true;
    closing_ = true;
    pollTimer_.stop();
    ecrCheckTimer_.stop();
    housekeepingTimer_.stop();
    unload();
    view_.closeWindow(exitCode);
}

// A job under way is finished first: the link must not be closed under a
// command that is waiting for its reply, and a receipt half sent is worse
// than a program that ends a few seconds later.
void Controller::quit()
{
    closing_ = true;
    pollTimer_.stop();
    ecrCheckTimer_.stop();
    runWhenIdle([this] {
        ecr_.close();
        closeMainWindow(0);
    });
}

void Controller::stop(int unfinishedExitCode)
{
    closing_ = true;
    pollTimer_.stop();
    ecrCheckTimer_.stop();
    if (watch_)
        watch_->stop();
    // A one-shot run that printed its file has ended with 0 already.
    const int exitCode = oneShot() ? unfinishedExitCode : exitcode::kNormal;
    runWhenIdle([this, exitCode] {
        ecr_.close();
        closeMainWindow(exitCode);
    });
}

void Controller::unload()
{
    view_.closeDebugWindow();
    view_.removeTrayIcon();
}

void Controller::terminate()
{
    ecr_.close();
}

// The farewell box, then the end of the process: no link closed, no icon
// removed.
void Controller::farewell()
{
    const QString rule = QString(59, QChar(0x2500));
    view_.clearPrinted();
    view_.printLine(QString());
    view_.printLine(QChar(0x250C) + rule + QChar(0x2510));
    view_.printLine(QStringLiteral("│  Ευχαριστουμε που χρησιμοποιησατε την εφαρμογη Dravimo    │"));
    view_.printLine(QChar(0x2514) + rule + QChar(0x2518));
    view_.endProcess(exitcode::kRejectedCommandLine);
}

void Controller::openHelpText()
{
    dravimo::openHelpText();
}

void Controller::settingsDialogOpened()
{
    ecrCheckTimer_.stop();
}

void Controller::settingsDialogClosed()
{
    if (!closing_)
        ecrCheckTimer_.start();
}

// A 16-bit count of the jobs of this run. Past 32767 it starts again at 1
// rather than failing: the count only tells the operator and the host
// ("receipt.txt") that another job went through, and a failing read would
// stop the poll tick for good.
qint16 Controller::nextJobNumber()
{
    jobCounter_ = jobCounter_ < 32767 ? qint16(jobCounter_ + 1) : qint16(1);
    return jobCounter_;
}

void Controller::runWhenIdle(std::function<void()> action)
{
    if (busy()) {
        deferred_.push_back(std::move(action));
        return;
    }
    action();
}

void Controller::leaveBusy()
{
    if (--busyDepth_ > 0)
        return;
    while (busyDepth_ == 0 && !deferred_.empty()) {
        auto action = std::move(deferred_.front());
        deferred_.erase(deferred_.begin());
        action();
    }
}

} // namespace dravimo
