// Sales, item and subtotal modifiers, comments, voids and cancellation.
#include "sim/ecrregister.h"
#include "sim/money.h"

#include "greek/ecrcharset.h"

namespace dravimo::sim {

using namespace ecr_error;

namespace {

// Register-made names go through the register's own character set like any
// typed text, so that everything on a ticket reads back the same way.
QString toEcr(const QString &greek)
{
    return greek::mapThrough(greek::tableA(), greek);
}

QString modifierLabel(bool negative, bool percent, qint64 value)
{
    const QString kind = negative ? QStringLiteral("ΕΚΠΤΩΣΗ") : QStringLiteral("ΕΠΙΒΑΡΥΝΣΗ");
    return percent ? kind + QLatin1Char(' ') + formatPercent(value) : kind;
}

} // namespace

Ticket *EcrRegister::currentTicket()
{
    if (receipt_)
        return &receipt_->ticket;
    if (openTable_ != 0)
        return &tables_[openTable_];
    return nullptr;
}

// A sale goes to the open receipt, else to the open table, else it opens a
// receipt. Once payment has begun the receipt takes nothing but payments.
std::optional<int> EcrRegister::ticketForSale(Ticket *&ticket)
{
    ticket = currentTicket();
    if (receipt_ && !receipt_->payments.isEmpty())
        return ReceiptOpen;
    if (!ticket && zDue_)
        return ZDue;
    return std::nullopt;
}

Reply EcrRegister::sale(qint64 unitPrice, int department, const QString &text)
{
    Ticket *ticket = nullptr;
    if (const auto refusal = ticketForSale(ticket))
        return Reply::error(*refusal);
    if (department < 1 || department > 99)
        return Reply::error(WrongData);
    if (unitPrice <= 0)
        return Reply::error(WrongAmount);
    if (unitPrice > config_.priceLimit)
        return Reply::error(PriceLimit);
    const qint64 quantity = pending_.quantity.value_or(1000);
    qint64 amount = mulDivRound(unitPrice, quantity, 1000);
    if (amount == 0)
        return Reply::error(WrongAmount);
    if (pending_.minus) {
        amount = -amount;
        // A return cannot take the ticket below zero.
        if ((ticket ? ticket->total() : 0) + amount < 0)
            return Reply::error(WrongAmount);
    }
    if (!ticket) {
        openReceipt(0);
        ticket = &receipt_->ticket;
    }
    Item item;
    item.text = text.isEmpty() ? toEcr(QStringLiteral("ΤΜΗΜΑ %1").arg(department)) : text;
    item.department = department;
    item.vat = config_.vatOf(department);
    item.quantity = quantity;
    item.unitPrice = unitPrice;
    item.amount = amount;
    ticket->items.append(item);
    ticket->subtotalMode = false;
    pending_.minus = false;
    pending_.quantity.reset();
    printItem(item);
    return Reply::ok();
}

void EcrRegister::printItem(const Item &item)
{
    if (item.quantity != 1000)
        roll_.print(QStringLiteral("  %1 x %2").arg(formatQuantity(item.quantity), formatMoney(item.unitPrice)));
    if (item.amount < 0)
        roll_.print(QStringLiteral("ΕΠΙΣΤΡΟΦΗ"));
    roll_.printPair(PaperRoll::readable(item.text), formatMoney(item.amount) + QLatin1Char(' ') + vatLetter(item.vat));
}

Reply EcrRegister::departmentKey(int department)
{
    if (department < 1 || department > 99)
        return Reply::error(WrongData);
    pending_.department = department;
    return Reply::ok();
}

// "AC" enters the price for the department chosen with "PL"; without a chosen
// department the digits are an item code, printed under the last item.
Reply EcrRegister::entryAC(const Command &c)
{
    if (pending_.department) {
        const int department = *pending_.department;
        pending_.department.reset();
        return sale(c.amount, department, c.text);
    }
    const Ticket *ticket = currentTicket();
    if (!c.text.isEmpty() || !ticket || ticket->isEmpty())
        return Reply::error(WrongOperation);
    roll_.print(QStringLiteral("ΚΩΔ: ") + c.digits);
    return Reply::ok();
}

Reply EcrRegister::modifier(qint64 value, bool percent, const QString &text)
{
    Ticket *ticket = currentTicket();
    if (!ticket)
        return Reply::error(WrongOperation);
    if (receipt_ && !receipt_->payments.isEmpty())
        return Reply::error(ReceiptOpen);
    const bool negative = pending_.minus;
    if (value <= 0)
        return Reply::error(WrongModifier);
    if (percent && value > 10000)
        return Reply::error(negative ? DiscountLimit : WrongModifier);
    Reply reply = ticket->subtotalMode ? subtotalModifier(*ticket, value, percent, negative, text)
                                       : itemModifier(*ticket, value, percent, negative, text);
    if (reply.kind == Reply::Kind::Text)
        pending_.minus = false;
    return reply;
}

Reply EcrRegister::subtotalModifier(Ticket &ticket, qint64 value, bool percent, bool negative, const QString &text)
{
    const qint64 base = ticket.total();
    if (base <= 0)
        return Reply::error(WrongModifier);
    const qint64 amount = percent ? mulDivRound(base, value, 10000) : value;
    if (negative && amount > base)
        return Reply::error(DiscountLimit);
    const qint64 signedAmount = negative ? -amount : amount;
    ticket.subtotalAdjusts.append(signedAmount);
    if (!text.isEmpty())
        roll_.print(PaperRoll::readable(text));
    roll_.printPair(modifierLabel(negative, percent, value), formatMoney(signedAmount));
    roll_.printPair(QStringLiteral("ΝΕΟ ΥΠΟΣΥΝΟΛΟ"), formatMoney(ticket.total()));
    return Reply::ok();
}

Reply EcrRegister::itemModifier(Ticket &ticket, qint64 value, bool percent, bool negative, const QString &text)
{
    const int index = ticket.lastItem();
    if (index < 0 || ticket.items[index].amount <= 0)
        return Reply::error(WrongModifier);
    Item &item = ticket.items[index];
    const qint64 amount = percent ? mulDivRound(item.amount, value, 10000) : value;
    if (negative && amount > item.net())
        return Reply::error(DiscountLimit);
    const qint64 signedAmount = negative ? -amount : amount;
    item.adjust += signedAmount;
    if (!text.isEmpty())
        roll_.print(PaperRoll::readable(text));
    roll_.printPair(modifierLabel(negative, percent, value),
                    formatMoney(signedAmount) + QLatin1Char(' ') + vatLetter(item.vat));
    return Reply::ok();
}

// Comment and text lines print wherever the register is: inside a receipt,
// on a table's order, or on their own after a receipt (footers, notices).
Reply EcrRegister::comment(const QString &ecrText)
{
    roll_.print(PaperRoll::readable(ecrText));
    return Reply::ok();
}

Reply EcrRegister::voidLast()
{
    Ticket *ticket = currentTicket();
    if (!ticket)
        return Reply::error(WrongOperation);
    if (receipt_ && !receipt_->payments.isEmpty())
        return Reply::error(ReceiptOpen);
    const int index = ticket->lastItem();
    if (index < 0)
        return Reply::error(WrongOperation);
    voidItem(*ticket, index);
    return Reply::ok();
}

void EcrRegister::voidItem(Ticket &ticket, int index)
{
    Item &item = ticket.items[index];
    roll_.print(PaperRoll::readable(item.text));
    roll_.printPair(QStringLiteral("ΔΙΟΡΘΩΣΗ"), formatMoney(-item.net()) + QLatin1Char(' ') + vatLetter(item.vat));
    if (item.fromTable != 0)
        returnToTable(item);
    item.voided = true;
    ticket.subtotalMode = false;
    ++day_.voids;
    ++period_.voids;
}

// "@215T" 0 cancels the whole open receipt; a number above 0 voids that item
// (counted from 1 in the order sold).
Reply EcrRegister::cancel(int number)
{
    if (!receipt_)
        return Reply::error(WrongOperation);
    if (!receipt_->payments.isEmpty())
        return Reply::error(ReceiptOpen);
    Ticket &ticket = receipt_->ticket;
    if (number > 0) {
        if (number > ticket.items.size() || ticket.items[number - 1].voided)
            return Reply::error(WrongData);
        voidItem(ticket, number - 1);
        return Reply::ok();
    }
    roll_.printPair(QStringLiteral("ΑΚΥΡΩΣΗ ΑΠΟΔΕΙΞΗΣ"), formatMoney(ticket.total()));
    for (const Item &item : ticket.items) {
        if (!item.voided && item.fromTable != 0)
            returnToTable(item);
    }
    roll_.print(now());
    roll_.printRule();
    ++day_.cancelled;
    ++period_.cancelled;
    receipt_.reset();
    pending_ = Pending{};
    return Reply::ok();
}

} // namespace dravimo::sim
