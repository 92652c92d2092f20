#include "translate/printfile.h"

namespace dravimo {

QString field(const QString &line, int column, int width)
{
    return line.mid(column - 1, width);
}

QString restOfLine(const QString &line, int column)
{
    return line.mid(column - 1);
}

QString directiveValue(const QString &text, const QString &directive, const QString &fallback, EmptyValue empty)
{
    const qsizetype at = text.indexOf(directive);
    if (at < 0)
        return fallback;
    const qsizetype end = text.indexOf(QLatin1String("\r\n"), at);
    // The host writes two characters between the colon and the value.
    const qsizetype start = at + directive.size() + 2;
    if (end < 0 || end < start || (end == start && empty == EmptyValue::Fallback))
        return fallback;
    QString value = text.mid(start, end - start);
    // A lone CR or LF inside: the value would break its result line in two
    // (a host reading "tag = " lines would see a stray line), and no file
    // name holds one.
    if (value.contains(QLatin1Char('\r')) || value.contains(QLatin1Char('\n')))
        return fallback;
    return value;
}

} // namespace dravimo
