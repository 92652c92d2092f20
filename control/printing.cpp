// The ECR check (Timer2), printing on and off with their notification-area
// twins, and the housekeeping timer (mTimer).

#include "core/clock.h"
#include "control/launch.h"
#include "control/mainform.h"
#include "core/shared.h"
#include "control/statustexts.h"
#include "ecr/fiscaltec.h"

namespace dravimo {

using namespace std::chrono_literals;

namespace {
// Three silent checks and the register counts as switched off for the rest of
// the run: a register that answers later is not looked for again.
constexpr int kEcrCheckAttempts = 3;
constexpr auto kPollTick = 1000ms;
// The notification area keeps at most 63 characters of a tip.
constexpr int kTrayTipLength = 63;
// A batch start refused for a passing reason (the file still being copied
// in) is retried; a refusal that lasts is reported like any other.
constexpr int kBatchStartAttempts = 3;
constexpr auto kBatchRetryPause = 200ms;
} // namespace

void MainForm::Timer2_Timer()
{
    if (busy() || closing_)
        return;
    if (timer2Tag_ >= kEcrCheckAttempts) {
        view_.setStatus(texts::kOffLineStatus);
        view_.repaint();
        view_.setCaption(texts::kGivenUpCaption);
        return;
    }
    view_.setMenuEnabled(Menu::Reports, false);
    view_.setButtonEnabled(Button::Command1, false);
    view_.setStatus(texts::kSearchingStatus);
    view_.repaint();
    {
        BusyScope busy(*this);
        fiscalTec().SendCommand(QStringLiteral("KXCL"), shared().lastResultCode, replyText_);
    }
    if (closing_)
        return;
    if (shared().lastResultCode != 0) {
        ++timer2Tag_;
        return;
    }
    ecrAnswered();
}

void MainForm::ecrAnswered()
{
    showReady();
    view_.setMenuEnabled(Menu::Reports, true);
    if (settings_.autoStar) {
        Command1_Click();
        view_.hideWindow();
    }
}

void MainForm::Command1_Click()
{
    if (commandLine().isEmpty())
        Timer1_.setInterval(Clock::instance().realMs(kPollTick));
    if (!closing_)
        Timer1_.start();
    view_.setButtonEnabled(Button::Command1, false);
    view_.setButtonEnabled(Button::Command2, true);
    // A host that ends its command line with a backquote wants its batch
    // file run once printing is on.
    if (commandLine().endsWith(QLatin1Char('`'))) {
        startBatchFile();
        if (closed_)
            return;
    }
    view_.setStatus(texts::kPrintingStatus);
    view_.setCaption(texts::kPrintingCaption);
    view_.setMenuEnabled(Menu::Reports, false);
    view_.setMenuEnabled(Menu::Options, false);
}

void MainForm::startBatchFile()
{
    int failure = 0;
    for (int attempt = 0; attempt < kBatchStartAttempts; ++attempt) {
        failure = startBatch();
        if (failure != kPermissionDenied && failure != kPathFileAccessError)
            break;
        Clock::instance().pause(kBatchRetryPause);
    }
    if (failure != 0)
        reportStartFailure(failure);
}

// The start action's error report: the number, then what error.lst says
// about it, printed on the window; then the program ends.
void MainForm::reportStartFailure(int number)
{
    view_.printLine(QString::number(number));
    for (const QString &line : errorListLines(number))
        view_.printLine(line);
    closeMainWindow(1);
}

void MainForm::Command2_Click()
{
    Timer1_.stop();
    view_.setButtonEnabled(Button::Command2, false);
    view_.setButtonEnabled(Button::Command1, true);
    view_.setStatus(texts::kStoppedStatus);
    view_.setCaption(texts::kStoppedCaption);
    view_.setMenuEnabled(Menu::Reports, true);
    view_.setMenuEnabled(Menu::Options, true);
}

void MainForm::pStart_Click()
{
    if (view_.buttonEnabled(Button::Command1))
        Command1_Click();
}

void MainForm::pStop_Click()
{
    if (view_.buttonEnabled(Button::Command2))
        Command2_Click();
}

// "Εκτέλεση Ισοζ. 'Ζ'" from the notification area: printing stops at once;
// the report follows, after the job under way if there is one.
void MainForm::mZREp_Click()
{
    Command2_Click();
    zrep021_Click();
}

void MainForm::mTimer_Timer()
{
    view_.trimSystemMenu();
    view_.setTrayTip(view_.caption().left(kTrayTipLength));
    const bool startEnabled = view_.buttonEnabled(Button::Command1);
    const bool stopEnabled = view_.buttonEnabled(Button::Command2);
    if (!startEnabled && !stopEnabled) {
        view_.setTrayChecked(TrayEntry::pStart, false);
        view_.setTrayChecked(TrayEntry::pStop, false);
        return;
    }
    view_.setTrayChecked(TrayEntry::pStart, !startEnabled);
    view_.setTrayChecked(TrayEntry::pStop, !stopEnabled);
}

} // namespace dravimo
