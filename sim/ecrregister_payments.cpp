// Subtotal, payments (plain and by card) and the closing of a receipt.
#include "sim/ecrregister.h"
#include "sim/money.h"

namespace dravimo::sim {

using namespace ecr_error;

namespace {
// The only payment that gives change; every other one must not exceed what
// is left to pay.
constexpr int kCash = 1;
} // namespace

void EcrRegister::openReceipt(int fromTable)
{
    receipt_ = Receipt{};
    receipt_->fromTable = fromTable;
    roll_.printRule();
    for (const QString &line : config_.header)
        roll_.printCentered(line);
    roll_.printCentered(QStringLiteral("ΑΠΟΔΕΙΞΗ ΛΙΑΝΙΚΗΣ"));
    roll_.print(now());
    if (fromTable != 0)
        roll_.print(QStringLiteral("ΤΡΑΠΕΖΙ %1").arg(fromTable));
    roll_.printRule();
}

Reply EcrRegister::subtotal()
{
    pending_.minus = false;
    pending_.quantity.reset();
    if (!receipt_ && openTable_ != 0) {
        Ticket &table = tables_[openTable_];
        table.subtotalMode = true;
        roll_.printPair(QStringLiteral("ΜΕΡΙΚΟ ΣΥΝΟΛΟ"), formatMoney(table.total()));
        return Reply::ok(QStringLiteral("ST:%1").arg(table.total()));
    }
    if (!receipt_)
        return Reply::error(WrongOperation);
    if (receipt_->fromTable != 0 && !receipt_->tableTaken)
        takeWholeTable();
    receipt_->subtotalSeen = true;
    Ticket &ticket = receipt_->ticket;
    if (receipt_->payments.isEmpty())
        ticket.subtotalMode = true;
    roll_.printPair(QStringLiteral("ΜΕΡΙΚΟ ΣΥΝΟΛΟ"), formatMoney(ticket.total()));
    return Reply::ok(QStringLiteral("ST:%1").arg(ticket.total()));
}

// Refusals shared by plain and card payments. A receipt that pays a table and
// has not yet taken any of its items takes them all now.
std::optional<int> EcrRegister::paymentAllowed(int number)
{
    if (!receipt_)
        return WrongOperation;
    if (number < 1 || number > 9)
        return WrongData;
    if (receipt_->fromTable != 0 && !receipt_->tableTaken)
        takeWholeTable();
    if (receipt_->ticket.items.isEmpty())
        return WrongOperation;
    if (config_.requireSubtotal && !receipt_->subtotalSeen)
        return SubtotalRequired;
    return std::nullopt;
}

Reply EcrRegister::payment(const Command &c)
{
    if (const auto refusal = paymentAllowed(c.number))
        return Reply::error(*refusal);
    if (c.amount == 0)
        return Reply::error(WrongAmount);
    const qint64 remaining = receipt_->remaining();
    const qint64 amount = c.amount < 0 ? remaining : c.amount;
    if (amount > remaining && c.number != kCash)
        return Reply::error(WrongAmount);
    if (c.number == kCash && config_.cashLimit > 0 && std::min(amount, remaining) > config_.cashLimit)
        return Reply::error(CashForbidden);
    book(Payment{c.number, amount, false, 0});
    return Reply::ok();
}

// The register answers a card command at once and hands the charge to the
// terminal; the payment is booked only when the terminal approves.
Reply EcrRegister::cardPayment(const Command &c)
{
    if (const auto refusal = paymentAllowed(c.number))
        return Reply::error(*refusal);
    if (c.number2 < 1)
        return Reply::error(WrongData);
    if (c.amount == 0)
        return Reply::error(WrongAmount);
    const qint64 remaining = receipt_->remaining();
    const qint64 amount = c.amount < 0 ? remaining : c.amount;
    if (amount <= 0 || amount > remaining)
        return Reply::error(WrongAmount);
    card_ = CardRequest{++cardSeq_, amount, c.number, c.number2};
    cardStarted_ = card_;
    return Reply::ok();
}

void EcrRegister::book(const Payment &p)
{
    Receipt &r = *receipt_;
    if (!r.totalPrinted) {
        roll_.printPair(QStringLiteral("ΣΥΝΟΛΟ"), formatMoney(r.ticket.total()));
        r.totalPrinted = true;
    }
    r.payments.append(p);
    r.ticket.subtotalMode = false;
    roll_.printPair(paymentName(p.number), formatMoney(p.amount));
    if (p.card)
        roll_.print(QStringLiteral("  ΤΕΡΜΑΤΙΚΟ %1").arg(p.terminal));
    pending_.minus = false;
    pending_.quantity.reset();
    if (r.paid() >= r.ticket.total())
        closeReceipt();
}

void EcrRegister::closeReceipt()
{
    const Receipt r = *receipt_;
    const qint64 change = r.paid() - r.ticket.total();
    if (change > 0)
        roll_.printPair(QStringLiteral("ΡΕΣΤΑ"), formatMoney(change));
    printVatLines(r.ticket.totalsByVat());
    ++receiptNumber_;
    roll_.printPair(QStringLiteral("ΑΡ. ΑΠΟΔΕΙΞΗΣ"), QString::number(receiptNumber_));
    roll_.printPair(QStringLiteral("Ζ ΑΡ."), QStringLiteral("%1").arg(zNumber_, 5, 10, QLatin1Char('0')));
    roll_.print(now());
    for (const QString &line : config_.footer)
        roll_.printCentered(line);
    roll_.printRule(QLatin1Char('='));
    QStringList nets, paid;
    for (const Item &item : r.ticket.items)
        nets << formatMoney(item.net());
    for (const Payment &p : r.payments)
        paid << QStringLiteral("%1=%2").arg(p.number).arg(formatMoney(p.amount));
    closed_ << QStringLiteral("%1: %2 | %3")
                   .arg(receiptNumber_)
                   .arg(nets.join(QLatin1Char(' ')), paid.join(QLatin1Char(' ')));
    day_.addReceipt(r, change);
    period_.addReceipt(r, change);
    if (r.fromTable != 0 && tables_.value(r.fromTable).isEmpty())
        tables_.remove(r.fromTable);
    receipt_.reset();
    pending_ = Pending{};
}

void EcrRegister::printVatLines(const QMap<int, qint64> &byVat)
{
    for (auto it = byVat.begin(); it != byVat.end(); ++it) {
        if (it.key() == 0) {
            roll_.printPair(QStringLiteral("ΕΚΤΟΣ ΦΠΑ"), formatMoney(it.value()));
            continue;
        }
        const qint64 rate = config_.vatRates[it.key()];
        roll_.printPair(QStringLiteral("ΚΑΤ. %1 %2").arg(vatLetter(it.key()), formatPercent(rate)),
                        formatMoney(it.value()));
        roll_.printPair(QStringLiteral("  ΦΠΑ"), formatMoney(vatOfGross(it.value(), rate)));
    }
}

} // namespace dravimo::sim
