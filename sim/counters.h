#pragma once
// The register's daily and period totals, printed by the X and Z reports.

#include "sim/ticket.h"

#include <QMap>
#include <QtGlobal>

namespace dravimo::sim {

struct Counters
{
    int receipts = 0;
    int cancelled = 0;
    int voids = 0;
    qint64 discounts = 0; // negative
    qint64 surcharges = 0;
    qint64 returns = 0; // negative
    QMap<int, qint64> byVat;
    QMap<int, qint64> byPayment; // net of change given
    qint64 total() const;

    // Books a closed receipt; the change went back out of the first payment type.
    void addReceipt(const Receipt &receipt, qint64 change);
};

} // namespace dravimo::sim
