#pragma once
// The controller of the main window: start-up and shutdown, the poll tick
// that finds print files, the ECR check that looks for the register, the
// housekeeping tick, printing on and off, the reports and the one-shot run. It
// holds no widget; whatever it shows goes through a MainView.
//
// Everything runs on the one user-interface thread. Jobs and register commands
// let pending events run (the progress display, the exchange's reply wait), so
// a timer tick or a menu click can arrive in the middle of one. Only one
// register operation may be under way at a time: while one is (a job, a
// report, an ECR check, the one-shot run), a poll tick or ECR check that falls
// due starts nothing, and a report or an exit asked for from the menus runs as
// soon as the operation has finished.

#include "control/mainview.h"
#include "journal/jobjournal.h"
#include "journal/printjobfiles.h"
#include "settings/settings.h"

#include <QDateTime>
#include <QString>
#include <QTimer>

#include <functional>
#include <optional>
#include <vector>

namespace dravimo {

class Clock;
class EcrLink;
struct Command;
class PrintFolderWatch;
class ProgressIndicator;
class Metrics;
class SubmittedJobs;

class Controller
{
public:
    // Hands one taken print file to the translator; false when it was not
    // read (nothing was sent then).
    using TranslateFn =
        std::function<bool(const QString &path, const PrintJobFiles::Taken &taken, const TranslationOptions &options)>;

    // commandLine: the host's arguments joined by single spaces; non-empty
    // makes this a one-shot run.
    Controller(MainView &view, Clock &clock, EcrLink &ecr, ProgressIndicator &progress, QString commandLine);
    Controller(const Controller &) = delete;
    Controller &operator=(const Controller &) = delete;

    void setTranslator(TranslateFn translate) { translate_ = std::move(translate); }
    // The object that takes and finishes print files (the translator's, so
    // that one object keeps their order on disk); without one the controller
    // uses its own, without a journal.
    void setJobFiles(PrintJobFiles &files) { files_ = &files; }
    // Ticks at once when the host hands a print file over, while printing is
    // on (never in a one-shot run). Without one the poll alone finds files.
    void setPrintFolderWatch(PrintFolderWatch *watch);
    // Jobs a host hands over by a call (the HTTP interface): they run one at
    // a time with the print folder's, in the order each became ready, on
    // the same path (the translator, the journal, the settling of a crash).
    void setSubmittedJobs(SubmittedJobs *jobs) { submitted_ = jobs; }

    // Settles a job the journal shows unfinished; afterRestart says whether
    // the process that ran it ended (and this is another try at it) or this
    // process stopped it itself, at a write that failed.
    using SettleFn =
        std::function<Recovery(const JournalEntry &entry, const TranslationOptions &options, bool afterRestart)>;
    // With a journal, the working folder is locked at start-up and a job cut
    // short is settled before any other job runs.
    void setJournal(JobJournal &journal, SettleFn settle)
    {
        journal_ = &journal;
        settle_ = std::move(settle);
    }

    // Without a window nobody is there to restart the program once the ECR
    // check has given up: it then ends the process (exitcode::kEcrNotFound)
    // instead of showing the off-line text for ever.
    void setEndWhenEcrGivenUp(bool end) { endWhenEcrGivenUp_ = end; }
    // Where the settling of jobs cut short is counted, by outcome.
    void setMetrics(Metrics *metrics) { metrics_ = metrics; }

    // The job just run was refused whole (the translator says so): a
    // one-shot run ends in failure.
    void jobRefused() { jobRefused_ = true; }

    // Start-up, one-shot run and shutdown.
    void start();
    // "Τερματισμός Dravimo": ends the program once the operation under way
    // has finished.
    void quit();
    // A stop asked for from outside (the service manager, Ctrl+C): like
    // quit(), the operation under way finishes first. The process ends with
    // 0, except a one-shot run that has not printed its file, which ends with
    // `unfinishedExitCode` (the host learns that the file is still to do).
    void stop(int unfinishedExitCode);
    // The main window goes: the communication window and the tray icon too.
    void unload();
    // The process ends: the link is closed.
    void terminate();
    // A rejected one-shot command line: the farewell box, then the process ends.
    void farewell();

    // Timers.
    void pollTick();
    void ecrCheckTick();
    void housekeepingTick();

    // Printing on and off, and the notification-area entries.
    void startPrinting();
    void stopPrinting();
    void trayStartPrinting();
    void trayStopPrinting();
    void trayZReport();

    // Reports and manual commands from the menus.
    void dailyXReport();
    void periodXReport();
    void dailyZReport();
    void periodZReport();
    void clearEcrError();
    // The daily Z report asked for by an "MKZ" line: runs at once, between
    // two commands of the job that asked for it.
    void zReportFromJob(EcrLink &link);

    // Other menu entries.
    void showWindow() { view_.showWindow(); }
    void hideWindow() { view_.hideWindow(); }
    void openHelpText();
    void openSettings() { view_.openSettingsDialog(); }

    // The settings dialog stops the ECR check while it is open; confirming it
    // ends the program so that the new file is read by a fresh start.
    void settingsDialogOpened();
    void settingsDialogClosed();
    void settingsConfirmed() { closeMainWindow(0); }

    // The job counter the window shows: adds one and returns the new value.
    qint16 nextJobNumber();

    // State a test or the window reads back.
    const QTimer &pollTimer() const { return pollTimer_; }
    const QTimer &ecrCheckTimer() const { return ecrCheckTimer_; }
    const QTimer &housekeepingTimer() const { return housekeepingTimer_; }
    int ecrCheckFailures() const { return ecrCheckFailures_; }
    bool busy() const { return busyDepth_ > 0; }
    // Where the register is, as last read from the settings.
    const Connection &connection() const { return connection_; }
    const Settings &startupSettings() const { return settings_; }

private:
    class BusyScope;
    friend class BusyScope;

    bool oneShot() const { return !commandLine_.isEmpty(); }
    bool loadSettings();
    void fillInformationLabels();
    void searchForEcr();
    bool searchForEcrOnce();
    void runOneShot();
    void showReady();
    void ecrAnswered();
    void startupFailure(int number, const QString &description);
    void closeMainWindow(int exitCode);
    void startBatchFile();
    void reportStartFailure(int number);

    std::optional<Settings> readTickSettings();
    std::optional<Settings> changedSettingsFile();
    void setConnection(const Connection &connection);
    std::optional<PrintJobFiles::Taken> takeReady(const QString &path);
    void runSingleFileJob(const Settings &s);
    void runMultiFileSearch(const Settings &s);
    bool submittedJobGoesFirst(const Settings &s);
    void runSubmittedJob(const Settings &s);
    enum class JobOutcome { Done, NotRead, Interrupted };
    JobOutcome runJob(const QString &path, const PrintJobFiles::Taken &taken, const Settings &s);
    bool lockWorkingFolder();
    void resumeFromJournal();
    bool settleUnfinishedJob();
    void countSettlement(Recovery::Outcome outcome);
    void jobEnded(const QString &path, bool removePrintFile);
    void jobInterrupted(const QString &why);
    void replyLost(const QString &command);
    void writesWorkAgain();

    void runReport(EcrLink &link, const Command &command, const QString &statusText);
    void runWhenIdle(std::function<void()> action);
    void leaveBusy();

    MainView &view_;
    Clock &clock_;
    EcrLink &ecr_;
    ProgressIndicator &progress_;
    const QString commandLine_;
    TranslateFn translate_;
    PrintJobFiles ownFiles_{nullptr, nullptr};
    PrintJobFiles *files_ = &ownFiles_;
    PrintFolderWatch *watch_ = nullptr;
    SubmittedJobs *submitted_ = nullptr;
    Metrics *metrics_ = nullptr;
    JobJournal *journal_ = nullptr;
    SettleFn settle_;
    // The journal's unfinished job, until it is settled, and whether a
    // process that ended left it (rather than a write this one could not make).
    std::optional<JournalEntry> unfinished_;
    bool unfinishedAfterRestart_ = true;
    bool settleAnnounced_ = false;
    // The write failure told to the operator, until writes work again.
    QString writeAlert_;
    bool jobRefused_ = false;
    // The print file of the job settled at start-up.
    QString settledPath_;
    bool settledQuarantined_ = false;
    Settings settings_;
    Connection connection_;
    QTimer pollTimer_;
    QTimer ecrCheckTimer_;
    QTimer housekeepingTimer_;
    int ecrCheckFailures_ = 0;
    qint16 jobCounter_ = 0;
    int busyDepth_ = 0;
    std::vector<std::function<void()>> deferred_;
    // The last unreadable print file reported, with its reason.
    QString refusedFile_;
    bool closing_ = false;
    bool closed_ = false;
    bool endWhenEcrGivenUp_ = false;
    // param.ini as the poll tick last read it.
    struct SettingsStamp
    {
        bool exists = false;
        qint64 size = -1;
        QDateTime modified;
        bool operator==(const SettingsStamp &) const = default;
    };
    bool tickSettingsRead_ = false;
    SettingsStamp tickSettingsStamp_;
    std::optional<Settings> tickSettings_;
    QString settingsProblem_;
};

// Marks a register operation as under way for its lifetime. When the
// outermost one ends, what the menus asked for in the meantime runs.
class Controller::BusyScope
{
public:
    explicit BusyScope(Controller &controller) : controller_(controller) { ++controller_.busyDepth_; }
    ~BusyScope() { controller_.leaveBusy(); }
    BusyScope(const BusyScope &) = delete;
    BusyScope &operator=(const BusyScope &) = delete;

private:
    Controller &controller_;
};

} // namespace dravimo
