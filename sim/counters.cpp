#include "sim/counters.h"

namespace dravimo::sim {

qint64 Counters::total() const
{
    qint64 sum = 0;
    for (qint64 v : byVat)
        sum += v;
    return sum;
}

void Counters::addReceipt(const Receipt &receipt, qint64 change)
{
    ++receipts;
    const QMap<int, qint64> vat = receipt.ticket.totalsByVat();
    for (auto it = vat.begin(); it != vat.end(); ++it)
        byVat[it.key()] += it.value();
    for (const Payment &p : receipt.payments)
        byPayment[p.number] += p.amount;
    if (change != 0)
        byPayment[1] -= change;
    const auto book = [this](qint64 adjust) { (adjust < 0 ? discounts : surcharges) += adjust; };
    for (const Item &item : receipt.ticket.items) {
        if (item.voided)
            continue;
        book(item.adjust);
        if (item.amount < 0)
            returns += item.amount;
    }
    for (qint64 adjust : receipt.ticket.subtotalAdjusts)
        book(adjust);
}

} // namespace dravimo::sim
