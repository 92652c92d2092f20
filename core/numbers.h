#pragma once
// Number helpers with the semantics the print-file and reply formats were
// written against: the lenient numeric test (surrounding spaces, a sign,
// decimal and grouping marks), conversion to a 16-bit integer by rounding half
// to even, and the system decimal separator, which tests can replace.

#include <QChar>
#include <QString>
#include <QtGlobal>

#include <optional>

namespace dravimo {

// The user locale's decimal separator (QLocale::system()), unless a test has
// set one.
QChar systemDecimalSeparator();
void setDecimalSeparatorOverride(std::optional<QChar> separator);

// The numeric test: optional surrounding spaces, an optional leading sign,
// digits with "." or "," marks, an optional exponent. Empty text, "10%",
// "abc" and "1 2" are not numeric.
bool isNumeric(const QString &text);

// The value of a numeric text. The system decimal separator is the decimal
// mark; the other mark is a grouping mark and ignored (so on a "." locale
// "12,50" reads 1250, as the original did). Not numeric: nothing.
std::optional<double> numericValue(const QString &text);

// Round half to even into 16 bits; nothing when the value does not fit.
std::optional<qint16> toInt16(double value);

// The integer part (towards minus infinity), as the original's Int().
double integerPart(double value);

} // namespace dravimo
