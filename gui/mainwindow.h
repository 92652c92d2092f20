#pragma once
// The main window: a small status panel with the settings it runs with, the
// status line, the start and stop buttons, the job counter and the progress
// label, a menu bar, and an icon in the notification area whose menu keeps
// the program reachable while the window is hidden.
//
// The behaviour behind every button, menu entry and timer is the controller's; this
// class only shows what the controller sets and forwards what the operator
// does.

#include "control/mainview.h"
#include "gui/settingsdialog.h"

#include <QMainWindow>
#include <QMap>
#include <QPointer>

#include <functional>

class QAction;
class QGridLayout;
class QLabel;
class QLineEdit;
class QMenu;
class QPushButton;
class QSystemTrayIcon;

namespace dravimo {

class Clock;
class CommLog;
class Controller;

class MainWindow : public QMainWindow, public MainView
{
    Q_OBJECT

public:
    // clock: what the wait dialogs count with; log: what the communication
    // window shows.
    MainWindow(Clock &clock, CommLog &log, QWidget *parent = nullptr);
    ~MainWindow() override;

    // Connects the buttons, menus and dialogs to the controller.
    void attach(Controller &controller);

    // Window
    void setStatus(const QString &text) override;
    QString status() const override;
    void setCaption(const QString &text) override;
    QString caption() const override;
    void repaint() override;
    int showMessage(const QString &text, int code, const QString &title) override;
    std::unique_ptr<WaitDialog> createWaitDialog(bool skipTimer) override;
    void setProgressText(const QString &text) override;
    void processEvents() override;

    // MainView
    void setLabel(InfoLabel label, const QString &text) override;
    QString label(InfoLabel label) const override;
    void setButtonEnabled(Button button, bool enabled) override;
    bool buttonEnabled(Button button) const override;
    void setDefaultButton(Button button) override;
    void setMenuEnabled(Menu menu, bool enabled) override;
    bool menuEnabled(Menu menu) const override;
    void setTrayChecked(TrayEntry entry, bool checked) override;
    bool trayChecked(TrayEntry entry) const override;
    void showWindow() override;
    void hideWindow() override;
    bool windowVisible() const override;
    void addTrayIcon() override;
    void setTrayTip(const QString &tip) override;
    void removeTrayIcon() override;
    void trimSystemMenu() override;
    void clearPrinted() override;
    void printLine(const QString &line) override;
    void notice(const QString &text) override;
    void openSettingsDialog() override;
    void closeDebugWindow() override;
    void closeWindow(int exitCode) override;
    void endProcess(int exitCode) override;

    // The card-payment settings dialog behind "Παράμετροι Πιστ. Καρτών".
    void setCardSettingsDialog(std::function<void()> open);

    SettingsDialog *settingsDialog() const { return settings_; }
    QSystemTrayIcon *trayIcon() const { return tray_; }
    QWidget *debugWindow() const { return debug_; }

protected:
    void closeEvent(QCloseEvent *event) override;

private:
    void buildInformationPanel(QGridLayout *grid);
    void buildMenus();
    void buildTrayMenu();
    QPushButton *button(Button b) const;
    void connectMenus(Controller &controller);
    void toggleDebugWindow();
    void programEnded();

    Clock &clock_;
    CommLog &log_;
    Controller *controller_ = nullptr;
    std::function<void()> openCardSettings_;
    QMap<InfoLabel, QLabel *> labels_;
    QLineEdit *statusLine_ = nullptr;
    QPushButton *startButton_ = nullptr;
    QPushButton *stopButton_ = nullptr;
    QLabel *progressLabel_ = nullptr;
    QLabel *printed_ = nullptr;
    QMenu *options_ = nullptr;
    QMenu *reports_ = nullptr;
    QMap<QString, QAction *> actions_;
    QMenu *trayMenu_ = nullptr;
    QAction *trayStart_ = nullptr;
    QAction *trayStop_ = nullptr;
    QSystemTrayIcon *tray_ = nullptr;
    QPointer<SettingsDialog> settings_;
    QPointer<QWidget> debug_;
    bool closingByProgram_ = false;
    bool mainClosed_ = false;
    int exitCode_ = 0;
};

} // namespace dravimo
