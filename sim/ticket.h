#pragma once
// What the register holds while a receipt or a table's order is open: the
// items with their own discounts and surcharges, and the discounts and
// surcharges given on the subtotal.

#include <QList>
#include <QMap>
#include <QString>
#include <QtGlobal>

namespace dravimo::sim {

struct Item
{
    QString text; // register character set
    int department = 0;
    int vat = 0;            // VAT category 1..5, 0 outside VAT
    qint64 quantity = 1000; // thousandths
    qint64 unitPrice = 0;   // cents
    qint64 amount = 0;      // cents, negative for a returned item
    qint64 adjust = 0;      // sum of the item's discounts (-) and surcharges (+)
    bool voided = false;
    int fromTable = 0; // the table the item was taken from, 0 when sold here

    qint64 net() const { return voided ? 0 : amount + adjust; }
};

class Ticket
{
public:
    QList<Item> items;
    QList<qint64> subtotalAdjusts; // signed cents
    // Set by the subtotal key, cleared by the next item: a discount or
    // surcharge entered now is on the subtotal instead of the last item.
    bool subtotalMode = false;

    qint64 itemsTotal() const;
    qint64 total() const;
    bool isEmpty() const;
    // Index of the last item that is still on the ticket, -1 when none.
    int lastItem() const;
    // Gross per VAT category; subtotal discounts and surcharges are shared out
    // over the categories in proportion, so the categories add up to the total.
    QMap<int, qint64> totalsByVat() const;
    // Finds an item by its sale keys (what a transfer names), -1 when none.
    int findItem(qint64 unitPrice, int department, const QString &text) const;
};

// Splits quantity off an item: the part taken keeps its share of the item's
// discounts and surcharges. The source keeps the rest.
Item takeQuantity(Item &source, qint64 quantity);

struct Payment
{
    int number = 0;
    qint64 amount = 0;
    bool card = false;
    int terminal = 0;
};

struct Receipt
{
    Ticket ticket;
    QList<Payment> payments;
    int fromTable = 0;       // the table this receipt pays, 0 for a plain sale
    bool tableTaken = false; // whether the table's items have been brought over
    bool subtotalSeen = false;
    bool totalPrinted = false;

    qint64 paid() const;
    qint64 remaining() const { return ticket.total() - paid(); }
};

} // namespace dravimo::sim
