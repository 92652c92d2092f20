#pragma once
// One translation job: the settings it was started with, its line record and
// the state that lives from the first line of a print file to its outcome.

#include "translate/linerecord.h"

#include <QString>
#include <QStringList>
#include <QtGlobal>

#include <functional>

namespace dravimo {

class FiscalTec;

// The translation settings, as the text slices of the settings record.
struct TranslationSettings
{
    QString descpr;
    QString CODEPR;
    QString comment;
    QString DLAY;
    QString curr;
    QString keyboff;
    QString ecrt;
    QString ddep;
    QString qua;
};

struct JobState
{
    QString resultFile = QStringLiteral("Result");
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
    // 0 when the whole file was read, 1 when a handler stopped the job.
    int exitCode = 0;
    int paymentLineCount = 0;
    // The last numeric "can" value.
    QString cancelNumber = QStringLiteral("0");
};

// What a line handler tells the recognition loop.
enum class LineResult {
    Next,    // go on testing the line against the remaining codes
    EndLine, // done with this line; read the next one
    StopJob, // end the job (exit code 1); the outcome is still written
};

class Job
{
public:
    Job(FiscalTec &ecr, const TranslationSettings &settings);

    FiscalTec &ecr;
    const TranslationSettings settings;
    LineRecord record;
    JobState state;
    std::function<void()> zReport;
    std::function<void()> cardFailureNotice;

    // The reply of the latest command sent through send().
    QString lastReply;

    // Sends one command (no async wait) and returns its result code, which
    // also stays in the shared last result code.
    qint16 send(const QString &command, qint16 quiet = 0, const QString &logFile = {});

    // Appends one line to the job's result file.
    void appendResult(const QString &line) const;

    // Comment-type lines are recognised only with comments switched on.
    bool commentGateOpen() const;
};

// The quiet flag: errors are logged, not shown.
constexpr qint16 kQuiet = -1;

} // namespace dravimo
