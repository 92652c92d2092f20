#include "translate/amounts.h"

#include <cmath>

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

std::optional<qint64> priceInCents(const QString &price, const NumberFormat &numbers)
{
    const auto value = numbers.value(price);
    if (!value || !std::isfinite(*value) || std::fabs(*value) > 1e15)
        return std::nullopt;
    return std::llround(*value * 100.0);
}

} // namespace dravimo
