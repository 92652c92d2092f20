#pragma once
// Numbers as the print file writes them and as the ECR wants them.

#include "core/numbers.h"

#include <QString>
#include <QtGlobal>

#include <optional>

namespace dravimo {

// Brings a text number to the decimal separator of `numbers`. A bare integer gains
// the separator and `decimals` zeros (-1 means 2); otherwise every "," becomes
// the separator, or on a "," system every "." becomes ",".
QString normalizeDecimal(const QString &value, int decimals, const NumberFormat &numbers);

// Trims the three amounts and strips ".", "," and " " from each that is not
// empty (a price of "0" stays as it is): 12.50 becomes 1250, the ECR's whole
// number of cents.
void stripAmountMarks(QString &price, QString &discount, QString &surcharge);

// A number cut to at most `places` decimals as written: the run of digits
// after its last "." or "," loses the zeros beyond `places` ("1.500" to 2 is
// "1.50"), and "%" or anything else after the run stays. A bare integer is
// returned as it is. Nothing when a digit other than zero lies beyond
// `places`: the register could not be given that value exactly.
std::optional<QString> atMostDecimals(const QString &value, int places);

// An amount as the print file writes it, brought to the form stripAmountMarks
// turns into whole cents: two decimals stay, one decimal gains its zero
// ("12.5" and "12,5" become 1250 after the strip, "5.5%" 550), and a bare
// integer stays as it is, since hosts write cents that way ("1250"). Nothing
// when the amount has a non-zero digit beyond the cent.
std::optional<QString> amountInCentsForm(const QString &amount);

// A price in the decimal format of `numbers`, times 100 as a whole number
// (12.5 gives 1250). Nothing when the price is not a number.
std::optional<qint64> priceInCents(const QString &price, const NumberFormat &numbers);

} // namespace dravimo
