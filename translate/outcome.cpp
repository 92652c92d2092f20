// The end of a job: the outcome lines the host reads from the result file,
// then the footer on the ECR.
#include "translate/handlers.h"

#include "core/clock.h"
#include "core/numbers.h"
#include "ecr/session.h"
#include "payments/cardpayment.h"

namespace dravimo {
namespace {

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
    job.appendResult(QStringLiteral("DateTime end = ") + now(job));
    const QString status = tableStatus(job);
    const int recStatus = job.numbers().valueOrZero(status) != 0 ? 1 : 0;
    job.appendResult(QStringLiteral("recStatus = ") + QString::number(recStatus) + QLatin1Char(';') + status);
    job.appendResult(QStringLiteral("receipt = ") + job.queries.receiptNumbers() + QStringLiteral(", ")
                     + QString::number(job.state.receiptNumber));
    job.appendResult(QStringLiteral("exitcode = ") + QString::number(job.state.exitCode));
    // Written last: the host may already read "exitcode = " while the ECR
    // is still printing the footer.
    printFooter(job);
}

} // namespace dravimo
