#pragma once
// The environmental-fee check: carrier-bag levy items must reach a department
// of their own on the ECR, whatever VAT rate the host wrote for them. The host
// marks them with "ΛΠΣΜ" in the description, optionally followed by "-" and a
// two-digit department.

#include "core/numbers.h"

#include <QString>

namespace dravimo {

// The department for a sale line: `category` unchanged when the raw
// description carries no marker; otherwise the two digits after "-" (07 gives
// 7), or "8" when the marker has no such suffix.
QString feeCategory(const QString &description, const QString &category, const NumberFormat &numbers);

} // namespace dravimo
