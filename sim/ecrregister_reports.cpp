// X and Z reports.
#include "sim/ecrregister.h"
#include "sim/money.h"

#include <QSet>

namespace dravimo::sim {

namespace {
const QString kXDay = QStringLiteral("KX0T1");
const QString kXPeriod = QStringLiteral("KX5T1");
const QString kZDay = QStringLiteral("KX021T1");
const QString kZPeriod = QStringLiteral("KX521T1");
} // namespace

// The report keys look like payments ("KX5T1" would pay 5 cents in cash); the
// register tells them apart by its state: with no receipt open there is
// nothing to pay, so they are reports.
bool EcrRegister::isReport(const Command &c) const
{
    static const QSet<QString> reports{kXDay, kXPeriod, kZDay, kZPeriod};
    return !receipt_ && reports.contains(c.raw);
}

Reply EcrRegister::report(const QString &raw)
{
    const bool z = raw == kZDay || raw == kZPeriod;
    const bool period = raw == kXPeriod || raw == kZPeriod;
    roll_.printRule(QLatin1Char('='));
    roll_.printCentered(z ? QStringLiteral("ΑΝΑΦΟΡΑ Ζ") : QStringLiteral("ΑΝΑΦΟΡΑ Χ"));
    roll_.printCentered(period ? QStringLiteral("ΠΕΡΙΟΔΟΥ") : QStringLiteral("ΟΙΚΟΝΟΜΙΚΗ ΗΜΕΡΑΣ"));
    roll_.printPair(QStringLiteral("Ζ ΑΡ."), QStringLiteral("%1").arg(zNumber_, 5, 10, QLatin1Char('0')));
    roll_.print(now());
    roll_.printRule();
    printCounters(period ? period_ : day_);
    roll_.printRule(QLatin1Char('='));
    if (z && period) {
        period_ = Counters{};
    } else if (z) {
        day_ = Counters{};
        ++zNumber_;
        zDue_ = false;
    }
    return Reply::ok();
}

void EcrRegister::printCounters(const Counters &counters)
{
    printVatLines(counters.byVat);
    roll_.printPair(QStringLiteral("ΣΥΝΟΛΟ"), formatMoney(counters.total()));
    roll_.printPair(QStringLiteral("ΑΠΟΔΕΙΞΕΙΣ"), QString::number(counters.receipts));
    for (auto it = counters.byPayment.begin(); it != counters.byPayment.end(); ++it)
        roll_.printPair(paymentName(it.key()), formatMoney(it.value()));
    roll_.printPair(QStringLiteral("ΕΚΠΤΩΣΕΙΣ"), formatMoney(counters.discounts));
    roll_.printPair(QStringLiteral("ΕΠΙΒΑΡΥΝΣΕΙΣ"), formatMoney(counters.surcharges));
    roll_.printPair(QStringLiteral("ΕΠΙΣΤΡΟΦΕΣ"), formatMoney(counters.returns));
    roll_.printPair(QStringLiteral("ΔΙΟΡΘΩΣΕΙΣ"), QString::number(counters.voids));
    roll_.printPair(QStringLiteral("ΑΚΥΡΩΣΕΙΣ"), QString::number(counters.cancelled));
}

} // namespace dravimo::sim
