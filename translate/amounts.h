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

// A price in the decimal format of `numbers`, times 100 as a whole number
// (12.5 gives 1250). Nothing when the price is not a number.
std::optional<qint64> priceInCents(const QString &price, const NumberFormat &numbers);

} // namespace dravimo
