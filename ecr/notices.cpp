#include "ecr/notices.h"

#include "core/window.h"

namespace dravimo {
namespace {
const QString kNoAnswerTitle = QStringLiteral("Μύνημα Φορολ. Εκτυπωτή");
const QString kErrorCaption = QStringLiteral("Σφάλμα !!!");
} // namespace

void ExchangeNotices::noAnswer(const QString &text, Quiet quiet)
{
    if (quiet == Quiet::Yes)
        return;
    window_.setCaption(kErrorCaption + text);
    window_.repaint();
    messageBox(window_, text, mb::Information, kNoAnswerTitle);
}

void ExchangeNotices::refused(const ReplyOutcome &outcome)
{
    if (!outcome.showError)
        return;
    window_.setCaption(kErrorCaption + outcome.errorText);
    window_.repaint();
    messageBox(window_, QStringLiteral("Λάθος : %1\r%2").arg(outcome.code).arg(outcome.errorText), mb::Critical);
}

std::unique_ptr<WaitDialog> ExchangeNotices::cardWait()
{
    auto dialog = window_.createWaitDialog(false);
    dialog->show();
    return dialog;
}

void ExchangeNotices::letEventsRun()
{
    window_.processEvents();
}

} // namespace dravimo
