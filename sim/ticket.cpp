#include "sim/ticket.h"

#include "sim/money.h"

namespace dravimo::sim {

qint64 Ticket::itemsTotal() const
{
    qint64 sum = 0;
    for (const Item &item : items)
        sum += item.net();
    return sum;
}

qint64 Ticket::total() const
{
    qint64 sum = itemsTotal();
    for (qint64 adjust : subtotalAdjusts)
        sum += adjust;
    return sum;
}

bool Ticket::isEmpty() const
{
    return lastItem() < 0;
}

int Ticket::lastItem() const
{
    for (int i = int(items.size()) - 1; i >= 0; --i) {
        if (!items[i].voided)
            return i;
    }
    return -1;
}

QMap<int, qint64> Ticket::totalsByVat() const
{
    QMap<int, qint64> byVat;
    for (const Item &item : items) {
        if (!item.voided)
            byVat[item.vat] += item.net();
    }
    qint64 adjust = 0;
    for (qint64 a : subtotalAdjusts)
        adjust += a;
    const qint64 base = itemsTotal();
    if (adjust == 0 || base == 0 || byVat.isEmpty())
        return byVat;
    // Each category gets its rounded share; the last one takes what rounding
    // left over, so the sum is exact.
    qint64 given = 0;
    auto last = std::prev(byVat.end());
    for (auto it = byVat.begin(); it != last; ++it) {
        const qint64 share = mulDivRound(adjust, it.value(), base);
        it.value() += share;
        given += share;
    }
    last.value() += adjust - given;
    return byVat;
}

int Ticket::findItem(qint64 unitPrice, int department, const QString &text) const
{
    for (int i = 0; i < items.size(); ++i) {
        const Item &item = items[i];
        if (!item.voided && item.unitPrice == unitPrice && item.department == department
            && item.text.trimmed() == text.trimmed() && item.quantity > 0)
            return i;
    }
    return -1;
}

Item takeQuantity(Item &source, qint64 quantity)
{
    Item part = source;
    part.quantity = quantity;
    if (quantity >= source.quantity) {
        source.voided = true;
        source.quantity = 0;
        return part;
    }
    part.amount = mulDivRound(source.amount, quantity, source.quantity);
    part.adjust = mulDivRound(source.adjust, quantity, source.quantity);
    source.amount -= part.amount;
    source.adjust -= part.adjust;
    source.quantity -= quantity;
    return part;
}

qint64 Receipt::paid() const
{
    qint64 sum = 0;
    for (const Payment &p : payments)
        sum += p.amount;
    return sum;
}

} // namespace dravimo::sim
