#pragma once
// Number reading with the semantics the print-file and reply formats were
// written against: the lenient numeric test (surrounding spaces, a sign,
// decimal and grouping marks), conversion to a 16-bit integer by rounding half
// to even, and the decimal separator of the machine's locale, which decides
// which mark is the decimal one.

#include <QChar>
#include <QString>
#include <QtGlobal>

#include <optional>

namespace dravimo {

// The user locale's decimal separator (QLocale::system()).
QChar systemDecimalSeparator();

// Reads numbers with one decimal separator. The other mark ("." or ",") is a
// grouping mark and ignored, so on a "." system "12,50" reads 1250.
class NumberFormat
{
public:
    explicit NumberFormat(QChar decimalSeparator) : decimal_(decimalSeparator) {}
    // The machine's own: what the program runs with.
    static NumberFormat system() { return NumberFormat(systemDecimalSeparator()); }

    QChar decimalSeparator() const { return decimal_; }

    // Optional surrounding spaces, an optional leading sign, digits with "."
    // or "," marks, an optional exponent. Empty text, "10%", "abc" and "1 2"
    // are not numeric.
    bool isNumeric(const QString &text) const;
    // The value of a numeric text; nothing when it is not numeric.
    std::optional<double> value(const QString &text) const;
    // The value, or 0 for a text that holds no number (what the line and
    // reply parsers read from such a text).
    double valueOrZero(const QString &text) const { return value(text).value_or(0.0); }

private:
    std::optional<QString> canonical(const QString &text) const;

    QChar decimal_;
};

// Round half to even into 16 bits; nothing when the value does not fit.
std::optional<qint16> toInt16(double value);

// The integer part towards minus infinity.
double integerPart(double value);

} // namespace dravimo
