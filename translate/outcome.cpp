// The end of a job: the outcome lines the host reads from the result file,
// then the footer on the ECR.
#include "translate/handlers.h"

#include "core/clock.h"
#include "core/numbers.h"
#include "core/shared.h"
#include "ecr/fiscaltec.h"
#include "translate/amounts.h"

namespace dravimo {
namespace {

// Lets the ECR finish the last command of the receipt before it is queried.
constexpr Millis kSettlePause{250};

QString now()
{
    return formatDateTime(Clock::instance().wallNow());
}

// The open table's report, or empty when the job opened no table.
QString tableStatus(Job &job)
{
    const auto table = numericValue(job.state.openTable);
    if (!table)
        return QString();
    return job.ecr.QueryTableReport(static_cast<int>(integerPart(*table)));
}

void runCardFailureNotice(Job &job)
{
    if (!shared().cardFailure)
        return;
    if (job.cardFailureNotice)
        job.cardFailureNotice();
    shared().cardFailure = false;
}

} // namespace

void finishJob(Job &job)
{
    job.state.tableTransfer = false;
    job.state.paymentTransfer = false;
    Clock::instance().pause(kSettlePause);
    runCardFailureNotice(job);
    job.appendResult(QStringLiteral("DateTime end = ") + now());
    const QString status = tableStatus(job);
    const int recStatus = valueOrZero(status) != 0 ? 1 : 0;
    job.appendResult(QStringLiteral("recStatus = ") + QString::number(recStatus) + QLatin1Char(';') + status);
    job.appendResult(QStringLiteral("receipt = ") + job.ecr.QueryReceiptNumbers() + QStringLiteral(", ")
                     + QString::number(job.state.receiptNumber));
    job.appendResult(QStringLiteral("exitcode = ") + QString::number(job.state.exitCode));
    // Written last: the host may already read "exitcode = " while the ECR
    // is still printing the footer.
    printFooter(job);
}

} // namespace dravimo
