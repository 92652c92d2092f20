// MainWindow as the controller sees it: the MainView side of the window.

#include "control/controller.h"
#include "core/clock.h"
#include "core/commlog.h"
#include "gui/commlogwindow.h"
#include "gui/mainwindow.h"
#include "gui/messagebox.h"
#include "gui/settingsdialog.h"

#include <QAction>
#include <QCloseEvent>
#include <QCoreApplication>
#include <QCursor>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QPushButton>
#include <QSystemTrayIcon>

#include "gui/waitdialogwidget.h"

#include <cstdio>
#include <cstdlib>

namespace dravimo {

void MainWindow::setStatus(const QString &text)
{
    statusLine_->setText(text);
    statusLine_->setCursorPosition(0);
}

QString MainWindow::status() const
{
    return statusLine_->text();
}

void MainWindow::setCaption(const QString &text)
{
    setWindowTitle(text);
}

QString MainWindow::caption() const
{
    return windowTitle();
}

void MainWindow::repaint()
{
    QMainWindow::repaint();
}

int MainWindow::showMessage(const QString &text, int code, const QString &title)
{
    return execMessageBox(isVisible() ? this : nullptr, text, code, title);
}

std::unique_ptr<WaitDialog> MainWindow::createWaitDialog(bool skipTimer)
{
    return std::make_unique<WaitDialogWidget>(clock_, skipTimer);
}

void MainWindow::setProgressText(const QString &text)
{
    progressLabel_->setText(text);
    progressLabel_->repaint();
}

void MainWindow::processEvents()
{
    QCoreApplication::processEvents();
}

void MainWindow::setLabel(InfoLabel label, const QString &text)
{
    labels_.value(label)->setText(text);
}

QString MainWindow::label(InfoLabel label) const
{
    return labels_.value(label)->text();
}

QPushButton *MainWindow::button(Button b) const
{
    return b == Button::StartPrinting ? startButton_ : stopButton_;
}

void MainWindow::setButtonEnabled(Button b, bool enabled)
{
    button(b)->setEnabled(enabled);
}

bool MainWindow::buttonEnabled(Button b) const
{
    return button(b)->isEnabled();
}

void MainWindow::setDefaultButton(Button b)
{
    button(b)->setDefault(true);
    button(b)->setFocus();
}

void MainWindow::setMenuEnabled(Menu menu, bool enabled)
{
    (menu == Menu::Reports ? reports_ : options_)->menuAction()->setEnabled(enabled);
}

bool MainWindow::menuEnabled(Menu menu) const
{
    return (menu == Menu::Reports ? reports_ : options_)->menuAction()->isEnabled();
}

void MainWindow::setTrayChecked(TrayEntry entry, bool checked)
{
    (entry == TrayEntry::StartPrinting ? trayStart_ : trayStop_)->setChecked(checked);
}

bool MainWindow::trayChecked(TrayEntry entry) const
{
    return (entry == TrayEntry::StartPrinting ? trayStart_ : trayStop_)->isChecked();
}

void MainWindow::showWindow()
{
    showNormal();
    raise();
}

// Without a notification area a hidden window could never be shown again, so
// there a shown window is only minimised.
void MainWindow::hideWindow()
{
    if (tray_ || !isVisible())
        hide();
    else
        showMinimized();
}

bool MainWindow::windowVisible() const
{
    return isVisible() && !isMinimized();
}

void MainWindow::addTrayIcon()
{
    if (tray_ || !QSystemTrayIcon::isSystemTrayAvailable())
        return;
    tray_ = new QSystemTrayIcon(windowIcon(), this);
    tray_->setContextMenu(trayMenu_);
    tray_->setToolTip(caption().left(63));
    // Any click on the icon opens its menu, whichever button it was.
    connect(tray_, &QSystemTrayIcon::activated, this, [this](QSystemTrayIcon::ActivationReason reason) {
        if (reason == QSystemTrayIcon::Trigger || reason == QSystemTrayIcon::DoubleClick)
            trayMenu_->popup(QCursor::pos());
    });
    tray_->show();
}

void MainWindow::setTrayTip(const QString &tip)
{
    if (!tray_)
        return;
    tray_->setIcon(windowIcon());
    tray_->setToolTip(tip);
}

void MainWindow::removeTrayIcon()
{
    if (!tray_)
        return;
    tray_->hide();
    tray_->deleteLater();
    tray_ = nullptr;
}

// The close box was taken away when the window was built; changing window
// flags hides a shown window, so this only acts if something brought it back.
void MainWindow::trimSystemMenu()
{
    if (!(windowFlags() & Qt::WindowCloseButtonHint))
        return;
    const bool shown = isVisible();
    setWindowFlag(Qt::WindowCloseButtonHint, false);
    if (shown)
        show();
}

void MainWindow::clearPrinted()
{
    printed_->clear();
    printed_->hide();
}

void MainWindow::printLine(const QString &line)
{
    const QString text = printed_->text();
    printed_->setText(text.isEmpty() && printed_->isHidden() ? line : text + QLatin1Char('\n') + line);
    printed_->show();
    printed_->repaint();
}

void MainWindow::notice(const QString &text)
{
    log_.write(clock_.wallNow().toString(QStringLiteral("mm:ss ")) + text);
}

void MainWindow::openSettingsDialog()
{
    if (!settings_) {
        settings_ = new SettingsDialog(*this, clock_,
                                       [this] { return controller_ ? controller_->connection() : Connection{}; });
        connect(settings_, &SettingsDialog::loaded, this, [this] {
            if (controller_)
                controller_->settingsDialogOpened();
        });
        connect(settings_, &SettingsDialog::unloaded, this, [this] {
            if (controller_)
                controller_->settingsDialogClosed();
            if (mainClosed_)
                programEnded();
        });
        connect(settings_, &SettingsDialog::confirmed, this, [this] {
            if (controller_)
                controller_->settingsConfirmed();
        });
    }
    settings_->open();
}

// "Debug Επικοινωνίας": the communication window opens beside this one and
// closes again; its check mark follows the window however it is closed.
void MainWindow::toggleDebugWindow()
{
    QAction *entry = actions_.value(QStringLiteral("commLog"));
    // The log, not the pointer: a closed window is only deleted later.
    if (log_.isOpen()) {
        entry->setChecked(false);
        if (debug_)
            debug_->close();
        return;
    }
    auto *window = CommLogWindow::openBeside(this, log_);
    debug_ = window;
    entry->setChecked(true);
    connect(window, &CommLogWindow::unloaded, this, [entry] { entry->setChecked(false); });
}

void MainWindow::closeDebugWindow()
{
    if (debug_)
        debug_->close();
}

void MainWindow::closeWindow(int exitCode)
{
    exitCode_ = exitCode;
    mainClosed_ = true;
    closingByProgram_ = true;
    close();
    // The settings dialog of a failed start outlives the window; the program
    // ends with it.
    if (!settings_ || !settings_->isVisible())
        programEnded();
}

void MainWindow::programEnded()
{
    QCoreApplication::exit(exitCode_);
}

void MainWindow::endProcess(int exitCode)
{
    std::fflush(stdout);
    std::fflush(stderr);
    std::_Exit(exitCode);
}

void MainWindow::closeEvent(QCloseEvent *event)
{
    if (closingByProgram_)
        event->accept();
    else
        event->ignore();
}

} // namespace dravimo
