// Free text and cancel lines: "com", "frt", "can", "voi", "foo", and the
// footer printed after the receipt.
#include "translate/handlers.h"

#include "core/numbers.h"
#include "ecr/protocol.h"
#include "greek/recipes.h"

namespace dravimo {
namespace {

// A footer keeps at most six ECR lines of text.
constexpr int kFooterPieces = 6;
// Separator, footer and padding together feed nine lines, so the receipt is
// torn off below the footer rather than in the middle of it.
constexpr int kFooterBlock = 8;

} // namespace

LineResult handleComment(Job &job, const QString &text)
{
    const QString converted = greek::commentTextConversion(greek::simpleUpper(text));
    job.send(ecrcommand::comment(converted.left(kEcrLineWidth)));
    return LineResult::Next;
}

// Three empty comment lines.
LineResult handleBlankComments(Job &job)
{
    for (int i = 0; i < 3; ++i)
        job.send(ecrcommand::comment(QString()));
    return LineResult::Next;
}

LineResult handleCancel(Job &job, const QString &number)
{
    const QString trimmed = number.trimmed();
    if (job.numbers().isNumeric(trimmed))
        job.state.cancelNumber = trimmed;
    job.send(ecrcommand::cancel(job.state.cancelNumber));
    job.send(ecrcommand::clear());
    return LineResult::Next;
}

LineResult handleVoid(Job &job)
{
    job.send(ecrcommand::voidLast());
    job.send(ecrcommand::clear());
    return LineResult::Next;
}

LineResult handleFooter(Job &job, const QString &text)
{
    const QString converted = greek::commentTextConversion(text);
    for (int i = 0; i < kFooterPieces; ++i) {
        const QString piece = converted.mid(qsizetype(i) * kEcrLineWidth, kEcrLineWidth);
        if (!piece.isEmpty())
            job.state.footerLines.append(piece);
    }
    job.state.footerFlag = true;
    return LineResult::Next;
}

void printFooter(Job &job)
{
    JobState &s = job.state;
    if (!s.footerFlag)
        return;
    int sent = 0;
    for (const QString &line : std::as_const(s.footerLines)) {
        if (line.trimmed().isEmpty())
            continue;
        if (sent == 0)
            job.send(ecrcommand::comment(QString(kEcrLineWidth, QLatin1Char('-'))), Quiet::Yes);
        job.send(ecrcommand::comment(line + QStringLiteral("\r\n")));
        ++sent;
    }
    for (int i = sent; sent > 0 && i < kFooterBlock; ++i)
        job.send(ecrcommand::comment(QString()));
    s.footerLines.clear();
    s.footerFlag = false;
}

} // namespace dravimo
