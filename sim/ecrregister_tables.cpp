// Restaurant tables: orders kept open per table, transfers between tables and
// sending a table to payment.
#include "sim/ecrregister.h"
#include "sim/money.h"

namespace dravimo::sim {

using namespace ecr_error;

namespace {
bool validTable(int table)
{
    return table >= 1 && table <= 999;
}
} // namespace

Reply EcrRegister::openTable(int table)
{
    if (!validTable(table))
        return Reply::error(WrongData);
    if (receipt_)
        return Reply::error(ReceiptOpen);
    if (openTable_ == table)
        return Reply::ok();
    if (openTable_ != 0)
        return Reply::error(ChangeNotAllowed);
    if (zDue_)
        return Reply::error(ZDue);
    openTable_ = table;
    Ticket &order = tables_[table];
    order.subtotalMode = false;
    roll_.printRule();
    roll_.printCentered(QStringLiteral("ΠΑΡΑΓΓΕΛΙΑ"));
    roll_.print(QStringLiteral("ΤΡΑΠΕΖΙ %1").arg(table));
    roll_.print(now());
    if (!order.isEmpty())
        roll_.printPair(QStringLiteral("ΥΠΟΛΟΙΠΟ"), formatMoney(order.total()));
    return Reply::ok();
}

// Parks the open table: its order stays on the register for later.
Reply EcrRegister::closeTable()
{
    if (openTable_ == 0)
        return Reply::error(WrongOperation);
    const Ticket order = tables_.value(openTable_);
    roll_.printPair(QStringLiteral("ΣΥΝΟΛΟ ΤΡΑΠΕΖΙΟΥ"), formatMoney(order.total()));
    roll_.printRule();
    if (order.isEmpty())
        tables_.remove(openTable_);
    openTable_ = 0;
    pending_.minus = false;
    pending_.quantity.reset();
    return Reply::ok();
}

Reply EcrRegister::moveTable(const Command &c)
{
    if (!pending_.transferArmed)
        return Reply::error(WrongOperation);
    pending_.transferArmed = false;
    const int from = c.number;
    const int to = c.number2;
    if (!validTable(from) || !validTable(to) || from == to || tables_.value(from).isEmpty())
        return Reply::error(WrongData);
    if (receipt_)
        return Reply::error(ReceiptOpen);
    roll_.printRule();
    roll_.print(c.partial ? QStringLiteral("ΜΕΤΑΦΟΡΑ ΕΙΔΩΝ") : QStringLiteral("ΜΕΤΑΦΟΡΑ ΤΡΑΠΕΖΙΟΥ"));
    roll_.print(QStringLiteral("ΑΠΟ ΤΡΑΠΕΖΙ %1 ΣΕ %2").arg(from).arg(to));
    if (c.partial) {
        session_ = Session{from, to, false};
        return Reply::ok();
    }
    const Ticket source = tables_.take(from);
    Ticket &target = tables_[to];
    for (const Item &item : source.items) {
        if (!item.voided)
            target.items.append(item);
    }
    target.subtotalAdjusts += source.subtotalAdjusts;
    if (openTable_ == from)
        openTable_ = to;
    roll_.printPair(QStringLiteral("ΣΥΝΟΛΟ ΤΡΑΠΕΖΙΟΥ %1").arg(to), formatMoney(target.total()));
    roll_.printRule();
    return Reply::ok();
}

// After "KXPPAY", "KXFROM" n opens a receipt that pays table n.
Reply EcrRegister::fromTable(int table)
{
    if (!pending_.payTableArmed)
        return Reply::error(WrongOperation);
    pending_.payTableArmed = false;
    if (receipt_)
        return Reply::error(ReceiptOpen);
    if (!validTable(table) || tables_.value(table).isEmpty())
        return Reply::error(WrongData);
    if (openTable_ == table)
        openTable_ = 0;
    session_.reset();
    openReceipt(table);
    return Reply::ok();
}

// "KXPA" names one item of the source table (price, department and text as it
// was sold); "KXTRFOK" then moves it. The quantity key sets how many.
Reply EcrRegister::transferItem(const Command &c)
{
    if (!pending_.transferArmed)
        return Reply::error(WrongOperation);
    const int source = session_ ? session_->from : (receipt_ ? receipt_->fromTable : 0);
    if (source == 0)
        return Reply::error(WrongOperation);
    if (!session_ && !receipt_->payments.isEmpty())
        return Reply::error(ReceiptOpen);
    const qint64 quantity = pending_.quantity.value_or(1000);
    const Ticket order = tables_.value(source);
    const int index = order.findItem(c.amount, c.number, c.text);
    if (index < 0)
        return Reply::error(WrongData);
    if (order.items[index].quantity < quantity)
        return Reply::error(WrongQuantity);
    move_ = Move{index, quantity};
    pending_.quantity.reset();
    return Reply::ok();
}

Reply EcrRegister::transferOk()
{
    if (!move_) {
        if (session_ && session_->endRequested) {
            finishSession();
            return Reply::ok();
        }
        return Reply::error(WrongOperation);
    }
    const Move move = *move_;
    move_.reset();
    pending_.transferArmed = false;
    const int source = session_ ? session_->from : (receipt_ ? receipt_->fromTable : 0);
    if (source == 0 || !tables_.contains(source) || move.index >= tables_[source].items.size())
        return Reply::error(WrongOperation);
    Item item = takeQuantity(tables_[source].items[move.index], move.quantity);
    if (session_) {
        item.fromTable = 0;
        tables_[session_->to].items.append(item);
        roll_.printPair(QStringLiteral("%1 x %2").arg(formatQuantity(item.quantity), PaperRoll::readable(item.text)),
                        formatMoney(item.net()));
        return Reply::ok();
    }
    item.fromTable = source;
    receipt_->ticket.items.append(item);
    receipt_->tableTaken = true;
    printItem(item);
    return Reply::ok();
}

// "KXTRFNO" drops a named item; inside a table-to-table move it also asks to
// end the move, which the next "KXTRFOK" confirms.
Reply EcrRegister::transferNo()
{
    const bool hadMove = move_.has_value();
    move_.reset();
    pending_.transferArmed = false;
    if (session_) {
        session_->endRequested = true;
        return Reply::ok();
    }
    return hadMove ? Reply::ok() : Reply::error(WrongOperation);
}

void EcrRegister::finishSession()
{
    const Session s = *session_;
    session_.reset();
    roll_.printPair(QStringLiteral("ΤΡΑΠΕΖΙ %1").arg(s.from), formatMoney(tableTotal(s.from)));
    roll_.printPair(QStringLiteral("ΤΡΑΠΕΖΙ %1").arg(s.to), formatMoney(tableTotal(s.to)));
    roll_.printRule();
    if (tables_.value(s.from).isEmpty() && openTable_ != s.from)
        tables_.remove(s.from);
}

// A receipt that pays a table and was not told which items to take takes the
// whole order.
void EcrRegister::takeWholeTable()
{
    const int table = receipt_->fromTable;
    const Ticket order = tables_.take(table);
    Ticket &ticket = receipt_->ticket;
    for (Item item : order.items) {
        if (item.voided)
            continue;
        item.fromTable = table;
        ticket.items.append(item);
        printItem(item);
        if (item.adjust != 0)
            roll_.printPair(item.adjust < 0 ? QStringLiteral("ΕΚΠΤΩΣΗ") : QStringLiteral("ΕΠΙΒΑΡΥΝΣΗ"),
                            formatMoney(item.adjust));
    }
    for (qint64 adjust : order.subtotalAdjusts) {
        ticket.subtotalAdjusts.append(adjust);
        roll_.printPair(adjust < 0 ? QStringLiteral("ΕΚΠΤΩΣΗ") : QStringLiteral("ΕΠΙΒΑΡΥΝΣΗ"), formatMoney(adjust));
    }
    receipt_->tableTaken = true;
}

void EcrRegister::returnToTable(const Item &item)
{
    Item back = item;
    back.voided = false;
    const int table = item.fromTable;
    back.fromTable = 0;
    tables_[table].items.append(back);
}

} // namespace dravimo::sim
