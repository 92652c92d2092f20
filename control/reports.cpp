// The X and Z reports and the manual error clear of the main window's menus.
// Each is one fixed command; the exchange reports a failure itself, and the
// window ends in the ready state whatever the outcome.

#include "control/mainform.h"
#include "core/shared.h"
#include "control/statustexts.h"
#include "ecr/fiscaltec.h"

namespace dravimo {

void MainForm::runReport(const QString &command, const QString &statusText)
{
    BusyScope busy(*this);
    view_.setButtonEnabled(Button::Command1, false);
    view_.setStatus(statusText);
    view_.repaint();
    fiscalTec().SendCommand(command, shared().lastResultCode, replyText_);
    view_.setButtonEnabled(Button::Command1, true);
    view_.setStatus(texts::kReportDoneStatus);
    view_.setCaption(texts::kReadyCaption);
}

// The menu entries wait for a job under way: a report slipped between two
// commands of a receipt would land in the middle of it on the register.
void MainForm::xrep0_Click()
{
    runWhenIdle([this] { runReport(QStringLiteral("KX0T1"), texts::kXReport0Status); });
}

void MainForm::xrep5_Click()
{
    runWhenIdle([this] { runReport(QStringLiteral("KX5T1"), texts::kReportStatus); });
}

void MainForm::zrep021_Click()
{
    runWhenIdle([this] { zReportFromJob(); });
}

void MainForm::zrep521_Click()
{
    runWhenIdle([this] { runReport(QStringLiteral("KX521T1"), texts::kReportStatus); });
}

void MainForm::zReportFromJob()
{
    runReport(QStringLiteral("KX021T1"), texts::kReportStatus);
}

// Clears a pending register error. Its outcome stays local: the shared last
// result code keeps describing the last command of the job or report.
void MainForm::errorclear_Click()
{
    runWhenIdle([this] {
        BusyScope busy(*this);
        qint16 result = 0;
        QString reply;
        fiscalTec().SendCommand(QStringLiteral("KXCL"), result, reply);
    });
}

} // namespace dravimo
