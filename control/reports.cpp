// The X and Z reports and the manual error clear of the main window's menus.
// Each is one fixed command; the exchange reports a failure itself, and the
// window ends in the ready state whatever the outcome.

#include "control/controller.h"
#include "control/statustexts.h"
#include "ecr/link.h"

namespace dravimo {

void Controller::runReport(EcrLink &link, const Command &command, const QString &statusText)
{
    BusyScope busy(*this);
    view_.setButtonEnabled(Button::StartPrinting, false);
    view_.setStatus(statusText);
    view_.repaint();
    link.send(command);
    view_.setButtonEnabled(Button::StartPrinting, true);
    view_.setStatus(texts::kReportDoneStatus);
    view_.setCaption(texts::kReadyCaption);
}

// The menu entries wait for a job under way: a report slipped between two
// commands of a receipt would land in the middle of it on the register.
void Controller::dailyXReport()
{
    runWhenIdle([this] { runReport(ecr_, ecrcommand::dailyXReport(), texts::kXReport0Status); });
}

void Controller::periodXReport()
{
    runWhenIdle([this] { runReport(ecr_, ecrcommand::periodXReport(), texts::kReportStatus); });
}

void Controller::dailyZReport()
{
    runWhenIdle([this] { zReportFromJob(ecr_); });
}

void Controller::periodZReport()
{
    runWhenIdle([this] { runReport(ecr_, ecrcommand::periodZReport(), texts::kReportStatus); });
}

void Controller::zReportFromJob(EcrLink &link)
{
    runReport(link, ecrcommand::dailyZReport(), texts::kReportStatus);
}

// Clears a pending register error.
void Controller::clearEcrError()
{
    runWhenIdle([this] {
        BusyScope busy(*this);
        ecr_.send(ecrcommand::clear());
    });
}

} // namespace dravimo
