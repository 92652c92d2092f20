// The ECR check, printing on and off with their notification-area entries,
// and the housekeeping tick.

#include "control/controller.h"
#include "control/exitcodes.h"
#include "control/launch.h"
#include "control/printfolderwatch.h"
#include "control/statustexts.h"
#include "core/clock.h"
#include "ecr/link.h"

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

void Controller::ecrCheckTick()
{
    if (busy() || closing_)
        return;
    if (ecrCheckFailures_ >= kEcrCheckAttempts) {
        view_.setStatus(texts::kOffLineStatus);
        view_.repaint();
        view_.setCaption(texts::kGivenUpCaption);
        if (endWhenEcrGivenUp_)
            closeMainWindow(exitcode::kEcrNotFound);
        return;
    }
    view_.setMenuEnabled(Menu::Reports, false);
    view_.setButtonEnabled(Button::StartPrinting, false);
    view_.setStatus(texts::kSearchingStatus);
    view_.repaint();
    bool answered = false;
    {
        BusyScope busy(*this);
        answered = searchForEcrOnce();
    }
    if (closing_)
        return;
    if (answered) {
        BusyScope busy(*this);
        answered = settleUnfinishedJob();
    }
    if (closing_)
        return;
    if (!answered) {
        ++ecrCheckFailures_;
        return;
    }
    ecrAnswered();
}

void Controller::ecrAnswered()
{
    showReady();
    view_.setMenuEnabled(Menu::Reports, true);
    if (settings_.autoStart) {
        startPrinting();
        view_.hideWindow();
    }
}

void Controller::startPrinting()
{
    if (!oneShot())
        pollTimer_.setInterval(clock_.realMs(kPollTick));
    if (!closing_)
        pollTimer_.start();
    if (watch_ && !oneShot() && !closing_)
        watch_->follow(settings_);
    view_.setButtonEnabled(Button::StartPrinting, false);
    view_.setButtonEnabled(Button::StopPrinting, true);
    // A host that ends its command line with a backquote wants its batch
    // file run once printing is on.
    if (commandLine_.endsWith(QLatin1Char('`'))) {
        startBatchFile();
        if (closed_)
            return;
    }
    view_.setStatus(texts::kPrintingStatus);
    view_.setCaption(texts::kPrintingCaption);
    view_.setMenuEnabled(Menu::Reports, false);
    view_.setMenuEnabled(Menu::Options, false);
}

void Controller::startBatchFile()
{
    int failure = 0;
    for (int attempt = 0; attempt < kBatchStartAttempts; ++attempt) {
        failure = startBatch();
        if (failure != kPermissionDenied && failure != kPathFileAccessError)
            break;
        clock_.pause(kBatchRetryPause);
    }
    if (failure != 0)
        reportStartFailure(failure);
}

// The start action's error report: the number, then what error.lst says
// about it, printed on the window; then the program ends.
void Controller::reportStartFailure(int number)
{
    view_.printLine(QString::number(number));
    for (const QString &line : errorListLines(number))
        view_.printLine(line);
    closeMainWindow(1);
}

void Controller::stopPrinting()
{
    pollTimer_.stop();
    if (watch_)
        watch_->stop();
    view_.setButtonEnabled(Button::StopPrinting, false);
    view_.setButtonEnabled(Button::StartPrinting, true);
    view_.setStatus(texts::kStoppedStatus);
    view_.setCaption(texts::kStoppedCaption);
    view_.setMenuEnabled(Menu::Reports, true);
    view_.setMenuEnabled(Menu::Options, true);
}

void Controller::trayStartPrinting()
{
    if (view_.buttonEnabled(Button::StartPrinting))
        startPrinting();
}

void Controller::trayStopPrinting()
{
    if (view_.buttonEnabled(Button::StopPrinting))
        stopPrinting();
}

// "Εκτέλεση Ισοζ. 'Ζ'" from the notification area: printing stops at once;
// the report follows, after the job under way if there is one.
void Controller::trayZReport()
{
    stopPrinting();
    dailyZReport();
}

void Controller::housekeepingTick()
{
    view_.trimSystemMenu();
    view_.setTrayTip(view_.caption().left(kTrayTipLength));
    const bool startEnabled = view_.buttonEnabled(Button::StartPrinting);
    const bool stopEnabled = view_.buttonEnabled(Button::StopPrinting);
    if (!startEnabled && !stopEnabled) {
        view_.setTrayChecked(TrayEntry::StartPrinting, false);
        view_.setTrayChecked(TrayEntry::StopPrinting, false);
        return;
    }
    view_.setTrayChecked(TrayEntry::StartPrinting, !startEnabled);
    view_.setTrayChecked(TrayEntry::StopPrinting, !stopEnabled);
}

} // namespace dravimo
