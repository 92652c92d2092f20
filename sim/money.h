#pragma once
// Amounts on the register are whole cents (qint64) and quantities whole
// thousandths, as the keyboard enters them; nothing is ever a double, so a
// receipt adds up the same way every time.

#include <QString>
#include <QtGlobal>

namespace dravimo::sim {

// Greek print style: "1.234,56", "-0,30".
QString formatMoney(qint64 cents);
// "2,000", "0,500": three decimals, as the quantity line prints it.
QString formatQuantity(qint64 thousandths);
// Hundredths of a percent as printed: 1000 -> "10,00%".
QString formatPercent(qint64 hundredths);

// a * b / c rounded half away from zero (c > 0).
qint64 mulDivRound(qint64 a, qint64 b, qint64 c);

// The VAT held in a gross amount at a rate given in hundredths of a percent.
qint64 vatOfGross(qint64 grossCents, qint64 rateHundredths);

} // namespace dravimo::sim
