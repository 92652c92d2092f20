// The recognition loop's per-line test: each code in a fixed order, each with
// its own way of matching, and the fields cut from their columns.
#include "translate/handlers.h"

#include "translate/printfile.h"

#include <array>

namespace dravimo {
namespace {

enum class Match {
    AnyCase,      // "PLU", "Plu", "pLu"...
    Exact,        // the lower-case code only
    UpperOrLower, // "TBO" or "tbo", not "Tbo"
};

struct LineKind
{
    QLatin1String code;
    Match match;
    bool commentGate;
    LineResult (*handle)(Job &, const QString &line);
};

bool matches(const LineKind &kind, const QString &line)
{
    // Columns 2 onwards; "to" is the one two-letter code.
    const QString code = field(line, 2, int(kind.code.size()));
    switch (kind.match) {
    case Match::AnyCase: return code.compare(kind.code, Qt::CaseInsensitive) == 0;
    case Match::Exact: return code == kind.code;
    case Match::UpperOrLower: return code == kind.code || code == QString(kind.code).toLower();
    }
    return false;
}

LineResult zReportLine(Job &job, const QString &)
{
    if (job.zReport)
        job.zReport(job.ecr.link);
    return LineResult::Next;
}

LineResult pluLine(Job &job, const QString &l)
{
    return handleSale(job,
                      SaleFields{field(l, 6, 14), field(l, 20, 24), field(l, 48, 7), field(l, 57, 9), field(l, 69, 5),
                                 field(l, 74, 3)});
}

const std::array<LineKind, 20> &lineKinds()
{
    using M = Match;
    static const std::array<LineKind, 20> kinds = {{
        {QLatin1String("MKZ"), M::AnyCase, false, zReportLine},
        {QLatin1String("PLU"), M::AnyCase, false, pluLine},
        {QLatin1String("dis"), M::Exact, false,
         [](Job &j, const QString &l) { return handleDiscount(j, field(l, 7, 8)); }},
        {QLatin1String("sut"), M::Exact, false,
         [](Job &j, const QString &l) { return handleSubtotal(j, field(l, 7, 10)); }},
        {QLatin1String("mod"), M::Exact, false,
         [](Job &j, const QString &l) { return handleModifier(j, field(l, 7, 9), field(l, 17, 24)); }},
        {QLatin1String("to"), M::Exact, false,
         [](Job &j, const QString &l) { return handlePayment(j, field(l, 8, 1), field(l, 11, 9)); }},
        {QLatin1String("com"), M::Exact, true,
         [](Job &j, const QString &l) { return handleComment(j, field(l, 7, 28)); }},
        {QLatin1String("frt"), M::Exact, true, [](Job &j, const QString &) { return handleBlankComments(j); }},
        {QLatin1String("can"), M::Exact, true,
         [](Job &j, const QString &l) { return handleCancel(j, field(l, 7, 6)); }},
        {QLatin1String("voi"), M::Exact, true, [](Job &j, const QString &) { return handleVoid(j); }},
        {QLatin1String("ltb"), M::Exact, true, [](Job &j, const QString &) { return handleTableList(j); }},
        {QLatin1String("foo"), M::Exact, true,
         [](Job &j, const QString &l) { return handleFooter(j, restOfLine(l, 7)); }},
        {QLatin1String("TBO"), M::UpperOrLower, false,
         [](Job &j, const QString &l) { return handleOpenTable(j, restOfLine(l, 6).trimmed()); }},
        {QLatin1String("TBC"), M::UpperOrLower, false,
         [](Job &j, const QString &l) { return handleCloseTable(j, restOfLine(l, 6).trimmed()); }},
        {QLatin1String("TBT"), M::UpperOrLower, false,
         [](Job &j, const QString &l) { return handleMoveTable(j, field(l, 7, 3), field(l, 11, 3)); }},
        {QLatin1String("TPT"), M::UpperOrLower, false,
         [](Job &j, const QString &l) { return handlePartialTransfer(j, field(l, 7, 3), field(l, 11, 3)); }},
        {QLatin1String("TBS"), M::UpperOrLower, false,
         [](Job &j, const QString &l) { return handlePayTable(j, field(l, 7, 3)); }},
        {QLatin1String("PRG"), M::UpperOrLower, false,
         [](Job &j, const QString &l) { return handleProgramming(j, field(l, 6, 90)); }},
        {QLatin1String("snd"), M::Exact, false,
         [](Job &j, const QString &l) { return handlePassThrough(j, field(l, 7, 90)); }},
        {QLatin1String("pay"), M::AnyCase, false,
         [](Job &j, const QString &l) { return handleCardPayment(j, field(l, 7, 2)); }},
    }};
    return kinds;
}

} // namespace

LineResult recogniseLine(Job &job, const QString &line)
{
    job.line = line;
    for (const LineKind &kind : lineKinds()) {
        if (kind.commentGate && !job.options.commentLines)
            continue;
        if (!matches(kind, line))
            continue;
        const LineResult result = kind.handle(job, line);
        if (result != LineResult::Next)
            return result;
    }
    return LineResult::Next;
}

} // namespace dravimo
