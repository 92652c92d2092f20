#include "translate/translator.h"

#include "core/clock.h"
#include "core/files.h"
#include "core/progress.h"
#include "core/shared.h"
#include "translate/handlers.h"
#include "translate/printfile.h"

#include <QStringList>

namespace dravimo {
namespace {

// The progress indicator counts in 16 bits.
constexpr int kProgressLimit = 32767;

void startJob(Job &job, const QString &text, int lineCount)
{
    JobState &s = job.state;
    s.resultFile = directiveValue(text, QStringLiteral("resFile:"), s.resultFile);
    s.tag = directiveValue(text, QStringLiteral("tag:"), s.tag);
    shared().resultFile = s.resultFile;
    progress().setMax(static_cast<qint16>(qMin(lineCount, kProgressLimit)));
    progress().setValue(0);
    job.appendResult(QStringLiteral("tag = ") + s.tag);
    job.appendResult(QStringLiteral("DateTime start = ") + formatDateTime(Clock::instance().wallNow()));
    s.zeroPayment = true;
    // The ECR may still hold an error or a half-keyed entry from before.
    job.send(QStringLiteral("KXCL"), kQuiet);
    job.send(QStringLiteral("KXCL"), kQuiet);
}

void advanceProgress()
{
    const qint16 value = progress().Value();
    progress().setValue(value < kProgressLimit ? static_cast<qint16>(value + 1) : value);
}

void readLines(Job &job, const QStringList &lines)
{
    for (const QString &line : lines) {
        job.record.clearPerLine();
        advanceProgress();
        if (recogniseLine(job, line) == LineResult::StopJob) {
            job.state.exitCode = 1;
            return;
        }
    }
}

} // namespace

Translator::Translator(FiscalTec &ecr) : ecr_(ecr)
{}

Translator::~Translator() = default;

bool Translator::getdata(const QString &file, const QString &descpr, const QString &CODEPR, QString &FILENAME,
                         const QString &comment, const QString &DLAY, const QString &curr, const QString &keyboff,
                         const QString &ecrt, const QString &ddep, const QString &qua)
{
    FILENAME = file;
    const auto text = ReadTextFile(file);
    if (!text)
        return false;
    Job job(ecr_, TranslationSettings{descpr, CODEPR, comment, DLAY, curr, keyboff, ecrt, ddep, qua});
    job.zReport = zReport;
    job.cardFailureNotice = cardFailureNotice;
    const QStringList lines = SplitLines(*text);
    startJob(job, *text, int(qMin<qsizetype>(lines.size(), kProgressLimit)));
    readLines(job, lines);
    finishJob(job);
    return true;
}

} // namespace dravimo
