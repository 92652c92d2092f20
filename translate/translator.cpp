#include "translate/translator.h"

#include "core/clock.h"
#include "core/files.h"
#include "core/progressindicator.h"
#include "core/resultfile.h"
#include "ecr/session.h"
#include "translate/handlers.h"
#include "translate/printfile.h"

#include <QStringList>

namespace dravimo {
namespace {

// The progress indicator counts in 16 bits.
constexpr int kProgressLimit = 32767;

void startJob(Job &job, ProgressIndicator &progress, const QString &text, int lineCount)
{
    JobState &s = job.state;
    s.resultFile = directiveValue(text, QStringLiteral("resFile:"), s.resultFile);
    s.tag = directiveValue(text, QStringLiteral("tag:"), s.tag, EmptyValue::Kept);
    job.ecr.results.setPath(s.resultFile);
    progress.setMaximum(static_cast<qint16>(qMin(lineCount, kProgressLimit)));
    progress.setValue(0);
    job.appendResult(QStringLiteral("tag = ") + s.tag);
    job.appendResult(QStringLiteral("DateTime start = ") + formatDateTime(job.ecr.clock.wallNow()));
    s.zeroPayment = true;
    // The register may still hold an error or a half-keyed entry from before.
    job.send(QStringLiteral("KXCL"), Quiet::Yes);
    job.send(QStringLiteral("KXCL"), Quiet::Yes);
}

void advanceProgress(ProgressIndicator &progress)
{
    const qint16 value = progress.value();
    progress.setValue(value < kProgressLimit ? static_cast<qint16>(value + 1) : value);
}

void readLines(Job &job, ProgressIndicator &progress, const QStringList &lines)
{
    for (const QString &line : lines) {
        job.record.clearPerLine();
        advanceProgress(progress);
        if (recogniseLine(job, line) == LineResult::StopJob) {
            job.state.exitCode = 1;
            return;
        }
    }
}

} // namespace

Translator::Translator(EcrSession &ecr, ProgressIndicator &progress) : ecr_(ecr), progress_(progress)
{}

bool Translator::translate(const QString &path, const TranslationOptions &options)
{
    const auto text = readTextFile(path);
    if (!text)
        return false;
    Job job(ecr_, options);
    job.zReport = zReport;
    const QStringList lines = splitLines(*text);
    startJob(job, progress_, *text, int(qMin<qsizetype>(lines.size(), kProgressLimit)));
    readLines(job, progress_, lines);
    finishJob(job);
    return true;
}

} // namespace dravimo
