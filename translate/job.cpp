#include "translate/job.h"

#include "core/clock.h"
#include "core/resultfile.h"
#include "ecr/errorwait.h"
#include "ecr/session.h"
#include "translate/journaledlink.h"

namespace dravimo {

Job::Job(EcrSession &ecr_, const TranslationOptions &options_, QString paymentFile_)
    : ecr(ecr_), queries(ecr_.link, ecr_.numbers), options(options_), paymentFile(std::move(paymentFile_))
{}

qint16 Job::send(const Command &command, Quiet quiet)
{
    const CommandResult r = ecr.link.send(command, quiet);
    lastReply = r.reply;
    return r.code;
}

// The job's result file is the session's current one (the job names it as it
// starts), so a line that cannot be written is reported like any other.
void Job::appendResult(const QString &line) const
{
    if (journal && (journal->replaying() || journal->dryRun()))
        return;
    ecr.results.append(line);
}

void Job::refuseLine()
{
    // The code of the "Err = " line of a line refused before it was sent.
    constexpr qint16 kLineRefused = -8;
    state.lineRefused = true;
    appendResult(QStringLiteral("Err = %1, [%2] DateTime = %3")
                     .arg(kLineRefused)
                     .arg(line.trimmed(), formatDateTime(ecr.clock.wallNow())));
}

bool Job::receiptOpen()
{
    const qint16 status = queries.confirmedStatus();
    if (status == ecrstatus::Ready || status == ecrstatus::ReceiptOpen)
        return status == ecrstatus::ReceiptOpen;
    waitUntilEcrErrorCleared(ecr);
    return queries.confirmedStatus() == ecrstatus::ReceiptOpen;
}

const NumberFormat &Job::numbers() const
{
    return ecr.numbers;
}

} // namespace dravimo
