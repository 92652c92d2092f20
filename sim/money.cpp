#include "sim/money.h"

namespace dravimo::sim {
namespace {

// Integer part with "." every three digits, the Greek grouping mark.
QString grouped(qint64 whole)
{
    QString digits = QString::number(whole);
    for (int i = digits.size() - 3; i > 0; i -= 3)
        digits.insert(i, QLatin1Char('.'));
    return digits;
}

QString fixed(qint64 value, qint64 scale, int decimals, bool group)
{
    const bool negative = value < 0;
    const qint64 magnitude = negative ? -value : value;
    const QString whole = group ? grouped(magnitude / scale) : QString::number(magnitude / scale);
    const QString fraction = QStringLiteral("%1").arg(magnitude % scale, decimals, 10, QLatin1Char('0'));
    return (negative ? QStringLiteral("-") : QString()) + whole + QLatin1Char(',') + fraction;
}

} // namespace

QString formatMoney(qint64 cents)
{
    return fixed(cents, 100, 2, true);
}

QString formatQuantity(qint64 thousandths)
{
    return fixed(thousandths, 1000, 3, false);
}

QString formatPercent(qint64 hundredths)
{
    return fixed(hundredths, 100, 2, false) + QLatin1Char('%');
}

qint64 mulDivRound(qint64 a, qint64 b, qint64 c)
{
    const qint64 product = a * b;
    const qint64 half = c / 2;
    return product >= 0 ? (product + half) / c : -((-product + half) / c);
}

qint64 vatOfGross(qint64 grossCents, qint64 rateHundredths)
{
    return mulDivRound(grossCents, rateHundredths, 10000 + rateHundredths);
}

} // namespace dravimo::sim
