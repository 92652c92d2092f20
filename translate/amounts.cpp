#include "translate/amounts.h"

#include <cmath>
#include <utility>

namespace dravimo {

QString normalizeDecimal(const QString &value, int decimals, const NumberFormat &numbers)
{
    const QChar separator = numbers.decimalSeparator();
    const QChar comma = QLatin1Char(',');
    const QChar point = QLatin1Char('.');
    QString out = value;
    if (!out.contains(comma) && !out.contains(point)) {
        out += separator + QString(decimals < 0 ? 2 : decimals, QLatin1Char('0'));
    } else if (separator != comma) {
        out.replace(comma, separator);
    } else {
        out.replace(point, comma);
    }
    return out;
}

void stripAmountMarks(QString &price, QString &discount, QString &surcharge)
{
    auto digitsOnly = [](QString &v) {
        v = v.trimmed();
        if (v.isEmpty())
            return;
        v.remove(QLatin1Char('.'));
        v.remove(QLatin1Char(','));
        v.remove(QLatin1Char(' '));
    };
    price = price.trimmed();
    if (price != QLatin1String("0"))
        digitsOnly(price);
    digitsOnly(discount);
    digitsOnly(surcharge);
}

namespace {

// Where the digits after the last decimal mark start, and how many there are;
// -1 when the value has no mark.
std::pair<qsizetype, qsizetype> decimalRun(const QString &value)
{
    const qsizetype mark = qMax(value.lastIndexOf(QLatin1Char('.')), value.lastIndexOf(QLatin1Char(',')));
    if (mark < 0)
        return {-1, 0};
    qsizetype end = mark + 1;
    while (end < value.size() && value.at(end).isDigit())
        ++end;
    return {mark + 1, end - mark - 1};
}

} // namespace

std::optional<QString> atMostDecimals(const QString &value, int places)
{
    const auto [start, count] = decimalRun(value);
    if (start < 0 || count <= places)
        return value;
    const QString beyond = value.mid(start + places, count - places);
    if (beyond.count(QLatin1Char('0')) != beyond.size())
        return std::nullopt;
    QString out = value;
    out.remove(start + places, count - places);
    return out;
}

std::optional<QString> amountInCentsForm(const QString &amount)
{
    auto out = atMostDecimals(amount, 2);
    if (!out)
        return std::nullopt;
    const auto [start, count] = decimalRun(*out);
    if (start >= 0 && count < 2)
        out->insert(start + count, QString(2 - count, QLatin1Char('0')));
    return out;
}

std::optional<qint64> priceInCents(const QString &price, const NumberFormat &numbers)
{
    const auto value = numbers.value(price);
    if (!value || !std::isfinite(*value) || std::fabs(*value) > 1e15)
        return std::nullopt;
    return std::llround(*value * 100.0);
}

} // namespace dravimo
