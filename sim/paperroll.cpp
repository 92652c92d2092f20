#include "sim/paperroll.h"

#include "greek/ecrcharset.h"

namespace dravimo::sim {

void PaperRoll::print(const QString &line)
{
    // The print head cannot go past the edge: longer text wraps.
    QString rest = line;
    do {
        const QString piece = rest.left(kPaperWidth);
        rest = rest.mid(kPaperWidth);
        lines_.append(piece);
        for (const Sink &sink : sinks_)
            sink(piece);
    } while (!rest.isEmpty());
}

void PaperRoll::printPair(const QString &left, const QString &right)
{
    const int gap = kPaperWidth - int(left.size()) - int(right.size());
    if (gap >= 1) {
        print(left + QString(gap, QLatin1Char(' ')) + right);
        return;
    }
    print(left);
    print(right.rightJustified(kPaperWidth));
}

void PaperRoll::printCentered(const QString &text)
{
    const int pad = (kPaperWidth - int(text.size())) / 2;
    print(pad > 0 ? QString(pad, QLatin1Char(' ')) + text : text);
}

void PaperRoll::printRule(QChar c)
{
    print(QString(kPaperWidth, c));
}

QString PaperRoll::text() const
{
    QString all;
    for (const QString &line : lines_)
        all += line + QLatin1Char('\n');
    return all;
}

QString PaperRoll::readable(const QString &ecrText)
{
    return greek::fromEcrCharset(ecrText);
}

} // namespace dravimo::sim
