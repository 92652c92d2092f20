#pragma once
// One translation job: the options it was started with, its line record and
// the state that lives from the first line of a print file to its outcome.

#include "core/resultfile.h"
#include "ecr/link.h"
#include "ecr/queries.h"
#include "ecr/session.h"
#include "payments/payeft.h"
#include "settings/settings.h"
#include "translate/linerecord.h"

#include <QString>
#include <QStringList>
#include <QtGlobal>

#include <functional>

namespace dravimo {

struct JobState
{
    QString resultFile = kDefaultResultFile;
    QString tag = QStringLiteral("Unknown");
    // When cleared (a "sut" line with a non-zero subtotal), a zero payment
    // sends nothing.
    bool zeroPayment = true;
    // "TPT" sets it, "TBC" clears it: sales go as transfer lines, quantity 1.
    bool tableTransfer = false;
    // "TBS" sets it: sales go as transfer lines.
    bool paymentTransfer = false;
    // The "TBO" line's table number as written; its report goes to recStatus.
    QString openTable;
    // Taken from the reply of the "KXCL" a "TBC" line sends; 0 when none.
    qint16 receiptNumber = 0;
    QStringList footerLines;
    bool footerFlag = false;
    // A fallback payment replaced a failed card payment: the receipt gets the
    // failure notice at the end of the job.
    bool cardFailure = false;
    // 0 when the whole file was read, 1 when a handler stopped the job, 2
    // when the job left a receipt open on the register, 3 when a line was
    // refused and the receipt is without it.
    int exitCode = 0;
    // A line was refused and nothing of it sent: the job ends with exit code
    // 3 unless a stronger one (1 or 2) applies.
    bool lineRefused = false;
    int paymentLineCount = 0;
    // The job ended with its receipt still open on the register: the next
    // job cancels it before its own first line.
    bool receiptLeftOpen = false;
    // This job starts by cancelling the receipt an earlier job left open.
    bool settleLeftOpen = false;
    // The table the job meant to put aside ("KXTO") and left open for
    // keying: the next job puts it aside before its first line (-1: none).
    int tableLeftOpen = -1;
    // This job starts by putting aside that table of an earlier job.
    int settleTable = -1;
    // The last numeric "can" value.
    QString cancelNumber = QStringLiteral("0");
};

// What a line handler tells the recognition loop.
enum class LineResult {
    Next,    // go on testing the line against the remaining codes
    EndLine, // done with this line; read the next one
    StopJob, // end the job (exit code 1); the outcome is still written
};

class JournaledLink;

class Job
{
public:
    Job(EcrSession &ecr, const TranslationOptions &options, QString paymentFile = kPaymentFile);

    EcrSession &ecr;
    EcrQueries queries;
    const TranslationOptions options;
    const QString paymentFile;
    LineRecord record;
    JobState state;
    // Runs the daily Z report for an "MKZ" line, through the link given.
    std::function<void(EcrLink &link)> zReport;
    // The journaled link the job's commands go through, when there is one.
    JournaledLink *journal = nullptr;
    // Called once the outcome lines are all in the result file, with whether
    // the job left a receipt open on the register, and the table it left open
    // for keying (-1: none).
    std::function<void(bool receiptLeftOpen, int tableLeftOpen)> outcomeWritten;

    // The print-file line being translated.
    QString line;

    // The reply of the latest command sent through send().
    QString lastReply;

    // Sends one command (no card wait) and returns its result code.
    qint16 send(const Command &command, Quiet quiet = Quiet::No);

    // Appends one line to the job's result file. A recovered job replaying
    // what its first run did writes nothing: those lines are there already.
    void appendResult(const QString &line) const;
    // Refuses the line being translated: an "Err = -8, [<line>]" line tells
    // the host which, and the job's outcome that the receipt lacks it. The
    // handler shows its own message and sends nothing of the line.
    void refuseLine();

    // Whether the register holds an open receipt. A pending error (paper
    // out, a Z report due) or a reply that cannot be read hides one: the
    // error is waited out and the register asked again; a reply of neither
    // form is asked twice (EcrQueries::confirmedStatus).
    bool receiptOpen();

    const NumberFormat &numbers() const;
};

} // namespace dravimo
