#pragma once
// The controller of the main window: start-up and shutdown, the poll cycle
// (Timer1), the ECR check (Timer2), the housekeeping timer (mTimer), printing
// on and off, the reports and the one-shot run. It holds no widget; whatever
// it shows goes through a MainView.
//
// Everything runs on the one user-interface thread. Jobs and ECR commands let
// pending events run (the progress display, the exchange's reply wait), so a
// timer tick or a menu click can arrive in the middle of one. Only one ECR
// operation may be under way at a time: while one is (a job, a report, an ECR
// check, the one-shot run), a poll tick or ECR check that falls due starts
// nothing, and a report or an exit asked for from the menus runs as soon as the
// operation has finished.

#include "control/mainview.h"
#include "settings/settings.h"

#include <QString>
#include <QTimer>

#include <functional>
#include <optional>
#include <vector>

namespace dravimo {

class MainForm
{
public:
    // Hands one print file to the translator; false when the file could not
    // be read at all (nothing was sent then).
    using TranslateFn = std::function<bool(const QString &path, const Settings &settings)>;

    explicit MainForm(MainView &view);
    MainForm(const MainForm &) = delete;
    MainForm &operator=(const MainForm &) = delete;

    void setTranslator(TranslateFn translate) { translate_ = std::move(translate); }

    // Start-up, one-shot run and shutdown.
    void Form_Load();
    void end_Click();
    void Form_Unload();
    void Form_Terminate();
    void exitprg(bool multi);

    // Timers.
    void Timer1_Timer();
    void Timer2_Timer();
    void mTimer_Timer();

    // Printing on and off, and the notification-area twins.
    void Command1_Click();
    void Command2_Click();
    void pStart_Click();
    void pStop_Click();
    void mZREp_Click();

    // Reports and manual commands from the menus.
    void xrep0_Click();
    void xrep5_Click();
    void zrep021_Click();
    void zrep521_Click();
    void errorclear_Click();
    // The daily Z report asked for by an "MKZ" line: runs at once, between
    // two commands of the job that asked for it.
    void zReportFromJob();

    // Other menu entries.
    void fShow_Click() { view_.showWindow(); }
    void fHide_Click() { view_.hideWindow(); }
    void help_text_Click();
    void param_Click() { view_.openSettingsDialog(); }

    // The settings dialog stops the ECR check while it is open; confirming it
    // ends the program so that the new file is read by a fresh start.
    void settingsDialogLoaded();
    void settingsDialogUnloaded();
    void settingsConfirmed() { closeMainWindow(0); }

    // The job counter shown in lblreceipt: adds one and returns the new value.
    qint16 getReceiptNumber();

    // State a test or the window reads back.
    const QTimer &Timer1() const { return Timer1_; }
    const QTimer &Timer2() const { return Timer2_; }
    const QTimer &mTimer() const { return mTimer_; }
    int Timer2Tag() const { return timer2Tag_; }
    bool busy() const { return busyDepth_ > 0; }
    QString Baud() const { return Baud_; }
    QString replyText() const { return replyText_; }
    const Settings &startupSettings() const { return settings_; }

private:
    class BusyScope;
    friend class BusyScope;

    QString commandLine() const;
    bool loadSettings();
    void fillInformationLabels();
    void searchForEcr();
    void runOneShot();
    void showReady();
    void ecrAnswered();
    void startupFailure(int number, const QString &description);
    void closeMainWindow(int exitCode);
    void startBatchFile();
    void reportStartFailure(int number);

    std::optional<Settings> readTickSettings();
    void runSingleFileJob(const Settings &s);
    void runMultiFileSearch(const Settings &s);
    enum class JobOutcome { Done, NotRead };
    JobOutcome runJob(const QString &path, const Settings &s);

    void runReport(const QString &command, const QString &statusText);
    void runWhenIdle(std::function<void()> action);
    void leaveBusy();

    MainView &view_;
    TranslateFn translate_;
    Settings settings_;
    QString Baud_;
    QString replyText_;
    QTimer Timer1_;
    QTimer Timer2_;
    QTimer mTimer_;
    int timer2Tag_ = 0;
    qint16 receiptCounter_ = 0;
    int busyDepth_ = 0;
    std::vector<std::function<void()>> deferred_;
    bool closing_ = false;
    bool closed_ = false;
};

// Marks an ECR operation as under way for its lifetime. When the outermost
// one ends, what the menus asked for in the meantime runs.
class MainForm::BusyScope
{
public:
    explicit BusyScope(MainForm &form) : form_(form) { ++form_.busyDepth_; }
    ~BusyScope() { form_.leaveBusy(); }
    BusyScope(const BusyScope &) = delete;
    BusyScope &operator=(const BusyScope &) = delete;

private:
    MainForm &form_;
};

} // namespace dravimo
