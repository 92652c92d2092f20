// Start-up, the one-shot run, shutdown and the busy guard of the main window's
// controller. The poll cycle, the ECR check with printing on/off, and the
// reports live in their own files.

#include "control/mainform.h"

#include "core/clock.h"
#include "core/debuglog.h"
#include "core/files.h"
#include "control/launch.h"
#include "core/shared.h"
#include "control/statustexts.h"
#include "ecr/fiscaltec.h"

#include <QFileInfo>

#include <exception>

namespace dravimo {

using namespace std::chrono_literals;

namespace {
constexpr auto kTimerTick = 1000ms;
// A one-shot run polls more slowly, as designed; the interval is kept for the
// start action even though the one-shot job never waits for the poll timer.
constexpr auto kOneShotTick = 3000ms;
// The failure number shown for a start-up step that threw: the numbering of
// error.lst has no better one for "the program itself failed".
constexpr int kInternalError = 51;
// Exit codes of the process.
constexpr int kExitFailure = 1;
constexpr int kExitRejectedCommandLine = 2;
} // namespace

MainForm::MainForm(MainView &view) : view_(view)
{
    Timer1_.setInterval(Clock::instance().realMs(kOneShotTick));
    QObject::connect(&Timer1_, &QTimer::timeout, &Timer1_, [this] { Timer1_Timer(); });
    QObject::connect(&Timer2_, &QTimer::timeout, &Timer2_, [this] { Timer2_Timer(); });
    QObject::connect(&mTimer_, &QTimer::timeout, &mTimer_, [this] { mTimer_Timer(); });
    mTimer_.setInterval(Clock::instance().realMs(kTimerTick));
}

QString MainForm::commandLine() const
{
    return shared().commandLine;
}

void MainForm::Form_Load()
{
    debugLog();
    if (!loadSettings())
        return;
    fillInformationLabels();
    try {
        searchForEcr();
    } catch (const std::exception &e) {
        startupFailure(kInternalError, QString::fromLocal8Bit(e.what()));
        return;
    }
    if (!commandLine().isEmpty())
        runOneShot();
}

// Step 2: the settings come from param.ini, or from the command line of a
// one-shot run. A missing param.ini is a start-up failure: the operator lands
// in the settings dialog, which writes a fresh file.
bool MainForm::loadSettings()
{
    if (commandLine().isEmpty()) {
        auto s = ReadSettingsFile(SettingsVariant::Startup, Baud_);
        if (!s) {
            startupFailure(kFileNotFound,
                           QStringLiteral("Δεν βρέθηκε ή δεν διαβάζεται το αρχείο ρυθμίσεων ")
                               + QFileInfo(kSettingsFile).absoluteFilePath());
            return false;
        }
        settings_ = *s;
        return true;
    }
    auto c = SettingsFromCommandLine(commandLine());
    if (!c) {
        exitprg(false);
        return false;
    }
    settings_ = c->settings;
    shared().connectionString = c->connectionString;
    Baud_ = c->Baud;
    return true;
}

void MainForm::fillInformationLabels()
{
    const Settings &s = settings_;
    view_.setLabel(InfoLabel::serialtxt, shared().connectionString);
    view_.setLabel(InfoLabel::baudtxt, Baud_);
    view_.setLabel(InfoLabel::filetxt, s.file + texts::kFilePathJoin + s.location);
    view_.setLabel(InfoLabel::ecrtxt, s.ecrt);
    view_.setLabel(InfoLabel::desctxt,
                   s.descpr == QLatin1String("true") ? texts::kDescriptionOn : texts::kDescriptionOff);
    view_.setLabel(InfoLabel::commentstxt,
                   s.comment == QLatin1String("fals") ? texts::kCommentsOff : texts::kCommentsOn);
    if (s.curr == QLatin1String("1") || s.curr == QLatin1String("0"))
        view_.setLabel(InfoLabel::currtxt, texts::kMainCurrency);
    else if (s.curr == QLatin1String("2"))
        view_.setLabel(InfoLabel::currtxt, texts::kSecondCurrency);
}

// Steps 5 to 9: the window shows that the register is being looked for, and
// the ECR check and housekeeping start.
void MainForm::searchForEcr()
{
    view_.setCaption(texts::kSearchingCaption);
    view_.setStatus(texts::kSearchingStatus);
    view_.repaint();
    view_.showWindow();
    view_.repaint();
    Timer2_.setInterval(Clock::instance().realMs(kTimerTick));
    Timer2_.start();
    mTimer_.start();
    view_.setButtonEnabled(Button::Command1, false);
    view_.setButtonEnabled(Button::Command2, false);
    view_.addTrayIcon();
    Timer1_.stop();
}

// Steps 11 to 17. The whole run counts as one job, so a poll tick can never
// pick up the same print file while the register is still being looked for;
// the poll timer is not started at all. The file is translated exactly once.
void MainForm::runOneShot()
{
    BusyScope busy(*this);
    Timer2_.stop();
    Timer1_.setInterval(Clock::instance().realMs(kOneShotTick));
    do {
        fiscalTec().SendCommand(QStringLiteral("KXCL"), shared().lastResultCode, replyText_);
    } while (shared().lastResultCode != 0 && !closing_);
    if (closing_)
        return;
    showReady();
    const QString path = settings_.file;
    try {
        if (!translate_ || !translate_(path, settings_)) {
            MsgBox(view_,
                   QStringLiteral("Λάθος : ") + QString::number(kFileNotFound) + QLatin1Char('\r')
                       + QStringLiteral("Δεν διαβάζεται το αρχείο εκτύπωσης ") + path,
                   mb::Critical);
            closeMainWindow(kExitFailure);
            return;
        }
        DeleteFile(path);
    } catch (const std::exception &e) {
        MsgBox(view_,
               QStringLiteral("Λάθος : ") + QString::number(kInternalError) + QLatin1Char('\r')
                   + QString::fromLocal8Bit(e.what()),
               mb::Critical);
        closeMainWindow(kExitFailure);
        return;
    }
    closeMainWindow(0);
}

// The register answered: printing can be started.
void MainForm::showReady()
{
    view_.setStatus(texts::kOnLineStatus);
    view_.repaint();
    view_.setCaption(texts::kReadyCaption);
    view_.setButtonEnabled(Button::Command1, true);
    view_.setDefaultButton(Button::Command1);
    Timer2_.stop();
}

void MainForm::startupFailure(int number, const QString &description)
{
    Timer1_.stop();
    view_.hideWindow();
    view_.openSettingsDialog();
    MsgBox(view_, QStringLiteral("Λάθος : ") + QString::number(number) + QLatin1Char('\r') + description, mb::Critical);
    closeMainWindow(kExitFailure);
}

void MainForm::closeMainWindow(int exitCode)
{
    if (closed_)
        return;
    closed_ = true;
    closing_ = true;
    Timer1_.stop();
    Timer2_.stop();
    mTimer_.stop();
    Form_Unload();
    view_.closeWindow(exitCode);
}

// "Τερματισμός Dravimo". A job under way is finished first: the link must
// not be closed under a command that is waiting for its reply, and a receipt
// half sent is worse than a program that ends a few seconds later.
void MainForm::end_Click()
{
    closing_ = true;
    Timer1_.stop();
    Timer2_.stop();
    runWhenIdle([this] {
        fiscalTec().CloseLink(shared().connectionString);
        closeMainWindow(0);
    });
}

void MainForm::Form_Unload()
{
    if (shared().debugOpen)
        view_.closeDebugWindow();
    view_.removeTrayIcon();
}

void MainForm::Form_Terminate()
{
    fiscalTec().CloseLink(shared().connectionString);
}

// The farewell box, then the end of the process: no link closed, no icon
// removed.
void MainForm::exitprg(bool)
{
    const QString rule = QString(59, QChar(0x2500));
    view_.clearPrinted();
    view_.printLine(QString());
    view_.printLine(QChar(0x250C) + rule + QChar(0x2510));
    view_.printLine(QStringLiteral("│  Ευχαριστουμε που χρησιμοποιησατε την εφαρμογη Dravimo    │"));
    view_.printLine(QChar(0x2514) + rule + QChar(0x2518));
    view_.endProcess(kExitRejectedCommandLine);
}

void MainForm::help_text_Click()
{
    openHelpText();
}

void MainForm::settingsDialogLoaded()
{
    Timer2_.stop();
}

void MainForm::settingsDialogUnloaded()
{
    if (!closing_)
        Timer2_.start();
}

// A 16-bit count of the jobs of this run. Past 32767 it starts again at 1
// rather than failing: the count only tells the operator and the host
// ("receipt.txt") that another job went through, and a failing read would
// stop the poll cycle for good.
qint16 MainForm::getReceiptNumber()
{
    receiptCounter_ = receiptCounter_ < 32767 ? qint16(receiptCounter_ + 1) : qint16(1);
    return receiptCounter_;
}

void MainForm::runWhenIdle(std::function<void()> action)
{
    if (busy()) {
        deferred_.push_back(std::move(action));
        return;
    }
    action();
}

void MainForm::leaveBusy()
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
