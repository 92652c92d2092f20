#include "ecr/errorwait.h"

#include "core/clock.h"
#include "core/resultfile.h"
#include "core/waitlimit.h"
#include "core/window.h"
#include "ecr/protocol.h"
#include "ecr/queries.h"
#include "ecr/session.h"

namespace dravimo {
namespace {

const QString kWaitTitle = QStringLiteral("Μύνημα Ταμειακής");
const QString kWaitLine = QStringLiteral("Αναμονή...");
// The register is asked again this often while an error stands.
constexpr Millis kStatusPollInterval{1500};

QString now(const EcrSession &ecr)
{
    return formatDateTime(ecr.clock.wallNow());
}

QString errorLine(const EcrSession &ecr, qint16 status)
{
    return QStringLiteral("Ecr Err:%1, %2, %3")
        .arg(status)
        .arg(ecrErrorText(QString::number(status), ecr.numbers), now(ecr));
}

// Status 1 is a receipt in progress, not an error: the register is ready to
// go on with it. It must end the wait inside the loop as well as on entry,
// or a wait that began with a time-out or with paper out in the middle of a
// receipt would never end, the receipt staying open until the operator came.
bool noPendingError(qint16 status)
{
    return status == ecrstatus::Ready || status == ecrstatus::ReceiptOpen;
}

} // namespace

bool waitLimitPassed(EcrSession &ecr, qint64 startedMs, const QString &waitingFor)
{
    if (!ecr.waitLimit || !ecr.waitLimit->passed(ecr.clock, startedMs))
        return false;
    ecr.waitLimit->end(QStringLiteral("Αναμονή χωρίς χειριστή πάνω από %1 s (%2): το Dravimo σταματά· "
                                      "η εργασία τακτοποιείται στην επόμενη εκκίνηση")
                           .arg(ecr.waitLimit->seconds())
                           .arg(waitingFor));
    return true;
}

void waitUntilEcrErrorCleared(EcrSession &ecr)
{
    EcrQueries queries(ecr.link, ecr.numbers);
    // The status is asked every 1.5 s: its failures (a register gone silent)
    // are written once per change, not once per question.
    const CollapsedRepeats once(ecr.link);
    const qint64 startedMs = ecr.clock.nowMs();
    qint16 status = queries.status();
    if (noPendingError(status))
        return;
    ecr.results.append(errorLine(ecr, status));
    auto dialog = ecr.window.createWaitDialog(true);
    dialog->setTitle(kWaitTitle);
    dialog->setMessage(ecrErrorText(QString::number(status), ecr.numbers));
    dialog->setDescription(kWaitLine);
    dialog->show();
    dialog->redraw();
    while (!noPendingError(status)) {
        if (!dialog->isOpen()) {
            // Closing the dialog is the operator's way out of the wait; the
            // line is written once and the caller goes on.
            ecr.results.append(QStringLiteral("Ecr Err: Terminated by the user, ") + now(ecr));
            return;
        }
        ecr.clock.pause(kStatusPollInterval);
        ecr.window.processEvents();
        if (!dialog->isOpen())
            continue;
        if (waitLimitPassed(ecr, startedMs, ecrErrorText(QString::number(status), ecr.numbers))) {
            dialog->close();
            return;
        }
        const qint16 previous = status;
        status = queries.status();
        dialog->setMessage(ecrErrorText(QString::number(status), ecr.numbers));
        dialog->redraw();
        if (!noPendingError(status) && status != previous)
            ecr.results.append(errorLine(ecr, status));
    }
    ecr.results.append(QStringLiteral("Ecr Err: Cleared OK, ") + now(ecr));
    dialog->close();
}

} // namespace dravimo
