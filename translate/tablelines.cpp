// Restaurant-table lines: "TBO", "TBC", "TBT", "TPT", "TBS" and "ltb".
//
// The tables live on the ECR; these lines open and close them, move their
// items, and switch the sale path into transfer form through the job's two
// transfer flags. A bad table number or a refused table command stops the
// whole job: the host then sees exit code 1 in its result file.
#include "translate/handlers.h"

#include "core/clock.h"
#include "core/numbers.h"
#include "core/window.h"
#include "ecr/errorwait.h"
#include "ecr/session.h"

namespace dravimo {
namespace {

// The register needs these pauses around a table switch before it reports the
// new open table reliably.
constexpr Millis kBeforeTableQuery{2000};
constexpr Millis kAfterTableParked{1500};
constexpr Millis kAfterTableOpened{1000};

const QString kWrongTable = QStringLiteral("Λάθος Αριθμός Τραπεζιού");

LineResult wrongTable(Job &job)
{
    messageBox(job.ecr.window, kWrongTable, mb::Information);
    return LineResult::StopJob;
}

// A three-column table number: the integer part of its value, -1 when the
// field holds no number (or a negative one, which names no table either).
int tableNumber(const QString &field, const NumberFormat &numbers)
{
    const auto v = numbers.value(field);
    if (!v || *v < 0)
        return -1;
    return static_cast<int>(integerPart(*v));
}

} // namespace

LineResult handleOpenTable(Job &job, const QString &table)
{
    job.state.openTable = table;
    const auto value = job.numbers().value(table);
    if (!value)
        return wrongTable(job);
    const int number = static_cast<int>(integerPart(*value));
    Clock &clock = job.ecr.clock;
    clock.pause(kBeforeTableQuery);
    const qint16 open = job.queries.openTable();
    if (open >= 0 && open != number) {
        // Another table is open on the register: park it first.
        job.send(ecrcommand::tablePark(), Quiet::Yes);
        clock.pause(kAfterTableParked);
    }
    waitUntilEcrErrorCleared(job.ecr);
    const qint16 result = job.send(ecrcommand::tableOpen(table), Quiet::Yes);
    clock.pause(kAfterTableOpened);
    if (result == 0 && job.queries.openTable() == number)
        return LineResult::Next;
    return LineResult::StopJob;
}

LineResult handleCloseTable(Job &job, const QString &table)
{
    if (!job.numbers().isNumeric(table))
        return wrongTable(job);
    if (job.queries.openTable() < 0) {
        if (job.send(ecrcommand::clear()) == 0)
            job.state.receiptNumber = EcrQueries::lastReceiptFromClearReply(job.lastReply, job.numbers());
    } else if (job.state.tableTransfer) {
        job.send(ecrcommand::transferRefuse());
        job.send(ecrcommand::transferConfirm());
        job.state.tableTransfer = false;
    } else {
        job.send(ecrcommand::tablePark());
    }
    return LineResult::Next;
}

LineResult handleMoveTable(Job &job, const QString &source, const QString &target)
{
    const int from = tableNumber(source, job.numbers());
    const int to = tableNumber(target, job.numbers());
    if (from < 0 || to < 0) {
        job.appendResult(QStringLiteral("Err = -255, (Wrong Table Number) DateTime end = ")
                         + formatDateTime(job.ecr.clock.wallNow()));
        return wrongTable(job);
    }
    if (job.send(ecrcommand::transferStart()) != 0)
        return LineResult::StopJob;
    return job.send(ecrcommand::tableMove(from, to, false)) == 0 ? LineResult::Next : LineResult::StopJob;
}

LineResult handlePartialTransfer(Job &job, const QString &source, const QString &target)
{
    const int from = tableNumber(source, job.numbers());
    const int to = tableNumber(target, job.numbers());
    if (from < 0 || to < 0)
        return wrongTable(job);
    waitUntilEcrErrorCleared(job.ecr);
    if (job.send(ecrcommand::transferStart()) != 0) {
        job.state.tableTransfer = false;
        return LineResult::StopJob;
    }
    if (job.send(ecrcommand::tableMove(from, to, true)) != 0)
        return LineResult::StopJob;
    job.state.tableTransfer = true;
    return LineResult::Next;
}

LineResult handlePayTable(Job &job, const QString &table)
{
    const int number = tableNumber(table, job.numbers());
    if (number < 0)
        return wrongTable(job);
    waitUntilEcrErrorCleared(job.ecr);
    if (job.send(ecrcommand::payTableStart()) != 0) {
        job.state.paymentTransfer = false;
        return LineResult::StopJob;
    }
    if (job.send(ecrcommand::payTableFrom(number)) != 0)
        return LineResult::StopJob;
    job.state.paymentTransfer = true;
    return LineResult::Next;
}

LineResult handleTableList(Job &job)
{
    job.appendResult(QStringLiteral("tblList   = ") + job.queries.tableList());
    return LineResult::Next;
}

} // namespace dravimo
