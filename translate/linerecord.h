#pragma once
// The line record: the fields through which a line handler hands one register
// operation to the command builder.

#include <QString>

namespace dravimo {

// What the command builder is asked to send.
enum class Operation {
    None,
    Sale,
    Payment,
    SubtotalModifier, // "dis"
    Raw,              // "PRG"
    PercentDiscount,
    PercentSurcharge,
    AmountDiscount,
    AmountSurcharge,
};

struct LineRecord
{
    QString price;      // unit price, payment amount, raw amount text
    QString text;       // item or modifier description, or a raw command
    QString itemCode;   // "N" or "A" + item code; empty when codes are not printed
    QString department; // category / department "1".."5" (or the line's department)
    QString paymentNumber;
    QString surcharge; // surcharge amount
    QString discount;  // discount amount
    QString discountPercent;
    QString surchargePercent;
    QString quantity; // three decimals, system decimal separator
    Operation operation = Operation::None;

    // Every line starts with these six empty; the others carry over from the
    // previous line of the same job until a handler sets them.
    void clearPerLine()
    {
        price.clear();
        discount.clear();
        surcharge.clear();
        discountPercent.clear();
        surchargePercent.clear();
        department.clear();
    }
};

} // namespace dravimo
