// The end of a job: the outcome lines the host reads from the result file,
// then the footer on the ECR.
#include "translate/handlers.h"

#include "core/clock.h"
#include "core/numbers.h"
#include "ecr/errorwait.h"
#include "ecr/session.h"
#include "payments/cardpayment.h"
#include "translate/journaledlink.h"

namespace dravimo {
namespace {

// The exit code of a job that left a receipt, or a table meant to be put
// aside, open on the register.
constexpr int kReceiptLeftOpen = 2;
// The exit code of a job whose receipt lacks a line it refused.
constexpr int kLineRefused = 3;

// Lets the ECR finish the last command of the receipt before it is queried.
constexpr Millis kSettlePause{250};

QString now(const Job &job)
{
    return formatDateTime(job.ecr.clock.wallNow());
}

// The open table's report, or empty when the job opened no table.
QString tableStatus(Job &job)
{
    const auto table = job.numbers().value(job.state.openTable);
    if (!table)
        return QString();
    return job.queries.tableTotal(static_cast<int>(integerPart(*table)));
}

// A receipt the job keyed into and did not close is still open on the
// register: the host must hear that the job did not end well. Asked whenever
// the job's last receipt command keyed or paid a receipt, one status question
// per job: a payment the register took may still leave the receipt open (a
// short payment, "to 1 5.00" on a 12,50 receipt), and a card payment may have
// been declined by the terminal after the register said OK.
bool receiptLeftOpen(Job &job)
{
    if (!job.journal)
        return false;
    const auto open = [&job] { return job.receiptOpen(); };
    const auto &sent = job.journal->sent();
    for (qsizetype i = sent.size() - 1; i >= 0; --i) {
        switch (sent[i].command.kind) {
        case CommandKind::ReceiptItem:
        case CommandKind::Modifier:
        case CommandKind::PayTable:
        case CommandKind::CardPayment:
        case CommandKind::Payment:
        case CommandKind::Raw: // the host's own keys may have opened one
            return open();
        case CommandKind::CancelReceipt:
        case CommandKind::TableOpen:
        case CommandKind::TablePark: return false;
        default: break;
        }
    }
    return false;
}

// A sale, modifier, payment or transfer the register refused, or never
// answered, is not on the receipt as the print file asked: the host must not
// read success. Quiet commands are the ones whose sender deals with a refusal
// itself (a subtotal key pressed ahead, a card attempt with its fallback).
bool refusalRemains(const Job &job)
{
    if (!job.journal)
        return false;
    for (const JournaledLink::Sent &s : job.journal->sent()) {
        if (s.code == result::Ok || s.quiet || s.sentAgain)
            continue;
        switch (s.command.kind) {
        case CommandKind::ReceiptItem:
        case CommandKind::Modifier:
        case CommandKind::Payment:
        case CommandKind::TableMove: return true;
        default: break;
        }
    }
    return false;
}

// A table the job meant to put aside ("KXTO", the last table command it
// sent) that the register still holds open for keying: every later sale
// would land on it. Asked only then.
int tableLeftOpen(Job &job)
{
    if (!job.journal)
        return -1;
    const auto &sent = job.journal->sent();
    for (qsizetype i = sent.size() - 1; i >= 0; --i) {
        switch (sent[i].command.kind) {
        case CommandKind::TablePark:
            if (sent[i].quiet)
                continue;
            {
                const qint16 open = job.queries.openTable();
                return open > 0 ? open : -1;
            }
        case CommandKind::TableOpen:
        case CommandKind::TableMove:
        case CommandKind::PayTable: return -1;
        default: break;
        }
    }
    return -1;
}

void runCardFailureNotice(Job &job)
{
    if (!job.state.cardFailure)
        return;
    CardPayment(job.ecr, job.paymentFile).printFailureNotice();
    job.state.cardFailure = false;
}

} // namespace

void finishJob(Job &job)
{
    job.state.tableTransfer = false;
    job.state.paymentTransfer = false;
    job.ecr.clock.pause(kSettlePause);
    runCardFailureNotice(job);
    job.state.receiptLeftOpen = job.state.receiptLeftOpen || receiptLeftOpen(job);
    if (job.state.tableLeftOpen < 0)
        job.state.tableLeftOpen = tableLeftOpen(job);
    if (job.state.exitCode == 0 && (job.state.receiptLeftOpen || job.state.tableLeftOpen > 0))
        job.state.exitCode = kReceiptLeftOpen;
    job.state.lineRefused = job.state.lineRefused || refusalRemains(job);
    if (job.state.exitCode == 0 && job.state.lineRefused)
        job.state.exitCode = kLineRefused;
    job.appendResult(QStringLiteral("DateTime end = ") + now(job));
    const QString status = tableStatus(job);
    const int recStatus = job.numbers().valueOrZero(status) != 0 ? 1 : 0;
    job.appendResult(QStringLiteral("recStatus = ") + QString::number(recStatus) + QLatin1Char(';') + status);
    // The lines after the job's last command go in one write: recovery tells
    // by the result file's size whether they are there, and finds them whole.
    const QString receipt = QStringLiteral("receipt = ") + job.queries.receiptNumbers() + QStringLiteral(", ")
                          + QString::number(job.state.receiptNumber);
    job.appendResult(receipt + QStringLiteral("\r\nexitcode = ") + QString::number(job.state.exitCode));
    if (job.outcomeWritten)
        job.outcomeWritten(job.state.receiptLeftOpen, job.state.tableLeftOpen);
    // Written last: the host may already read "exitcode = " while the ECR
    // is still printing the footer.
    printFooter(job);
}

} // namespace dravimo
