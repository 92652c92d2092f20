#include "core/numbers.h"

#include <QLocale>

#include <cmath>

namespace dravimo {

QChar systemDecimalSeparator()
{
    const QString dp = QLocale::system().decimalPoint();
    return dp.isEmpty() ? QLatin1Char('.') : dp.at(0);
}

// Strips surrounding spaces and checks the shape; returns the digits with a
// "." decimal mark and no grouping, ready for toDouble.
std::optional<QString> NumberFormat::canonical(const QString &text) const
{
    const QString t = text.trimmed();
    if (t.isEmpty())
        return std::nullopt;
    const QChar dec = decimal_;
    QString out;
    qsizetype i = 0;
    if (t.at(0) == QLatin1Char('+') || t.at(0) == QLatin1Char('-')) {
        if (t.at(0) == QLatin1Char('-'))
            out.append(QLatin1Char('-'));
        ++i;
        while (i < t.size() && t.at(i) == QLatin1Char(' '))
            ++i;
    }
    bool digits = false;
    bool decimalSeen = false;
    for (; i < t.size(); ++i) {
        const QChar c = t.at(i);
        if (c.isDigit() && c.unicode() < 128) {
            out.append(c);
            digits = true;
        } else if (c == QLatin1Char('.') || c == QLatin1Char(',')) {
            if (c == dec) {
                if (decimalSeen)
                    return std::nullopt;
                decimalSeen = true;
                out.append(QLatin1Char('.'));
            }
            // the other mark groups thousands and is dropped
        } else {
            break;
        }
    }
    if (!digits)
        return std::nullopt;
    if (i < t.size() && (t.at(i) == QLatin1Char('e') || t.at(i) == QLatin1Char('E'))) {
        QString exp = QStringLiteral("e");
        ++i;
        if (i < t.size() && (t.at(i) == QLatin1Char('+') || t.at(i) == QLatin1Char('-')))
            exp.append(t.at(i++));
        bool expDigits = false;
        while (i < t.size() && t.at(i).isDigit() && t.at(i).unicode() < 128) {
            exp.append(t.at(i++));
            expDigits = true;
        }
        if (!expDigits)
            return std::nullopt;
        out.append(exp);
    }
    if (i != t.size())
        return std::nullopt;
    return out;
}

bool NumberFormat::isNumeric(const QString &text) const
{
    return canonical(text).has_value();
}

std::optional<double> NumberFormat::value(const QString &text) const
{
    const auto c = canonical(text);
    if (!c)
        return std::nullopt;
    bool ok = false;
    const double v = c->toDouble(&ok);
    if (!ok)
        return std::nullopt;
    return v;
}

std::optional<qint16> toInt16(double value)
{
    const double r = std::nearbyint(value); // half to even under the default rounding mode
    if (!std::isfinite(r) || r < -32768.0 || r > 32767.0)
        return std::nullopt;
    return static_cast<qint16>(r);
}

double integerPart(double value)
{
    return std::floor(value);
}

} // namespace dravimo
