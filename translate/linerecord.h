#pragma once
// The line record: the sixteen text fields through which a line handler hands
// one ECR operation to comms.

#include <QString>

namespace dravimo {

// Operation selectors of the line record.
namespace linetype {
constexpr int None = 0;
constexpr int Sale = 1;
constexpr int Payment = 2;
constexpr int SubtotalModifier = 3; // "dis"
constexpr int Comment = 4;
constexpr int Raw = 9; // "PRG"
constexpr int PercentDiscount = 51;
constexpr int PercentSurcharge = 52;
constexpr int AmountDiscount = 53;
constexpr int AmountSurcharge = 54;
} // namespace linetype

struct LineRecord
{
    QString price;      // unit price, payment amount, raw amount text
    QString chr;        // `char`: item or modifier description, or a raw command
    QString CODE;       // "N" or "A" + item code; empty when codes are not printed
    QString vat;        // category / department "1".."5" (or the line's department)
    QString total;      // payment number
    QString addon;      // surcharge amount
    QString discount;   // discount amount
    QString percentdis; // discount percentage
    QString percentadd; // surcharge percentage
    QString quantity;   // three decimals, system decimal separator
    QString decimal1;   // carried, never read
    int linetype = linetype::None;
    QString DLAY;
    QString curr;
    QString keyboff;
    QString sFileOut; // where payment commands log their failures; empty: result file

    // Every line starts with these six empty; the others carry over from the
    // previous line of the same job until a handler sets them.
    void clearPerLine()
    {
        price.clear();
        discount.clear();
        addon.clear();
        percentdis.clear();
        percentadd.clear();
        vat.clear();
    }
};

} // namespace dravimo
