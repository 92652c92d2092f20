#include "sim/ecrregister.h"

#include "core/clock.h"
#include "sim/money.h"

namespace dravimo::sim {

using namespace ecr_error;

Reply EcrRegister::handle(const Command &command)
{
    // Any key other than a question interrupts a card transaction the
    // terminal is still working on: the operator has moved on.
    if (card_ && !isQuery(command.key) && !config_.cardOutlivesKeys)
        card_.reset();
    cardStarted_.reset();
    return dispatch(command);
}

Reply EcrRegister::dispatch(const Command &c)
{
    switch (c.key) {
    case Key::Unknown: return Reply::error(UnknownFunction);
    case Key::TooLong: return Reply::error(EntryLimit);
    case Key::Programming:
    case Key::Setting794: return Reply::ok();
    case Key::Silent794: return Reply::none();
    case Key::Clear: return clear();
    default: break;
    }
    if (isQuery(c.key))
        return query(c);
    if (paperOut_)
        return Reply::error(PaperOut);
    switch (c.key) {
    case Key::Minus: pending_.minus = true; return Reply::ok();
    case Key::Quantity:
        if (c.amount <= 0 || c.amount > 99999999)
            return Reply::error(WrongQuantity);
        pending_.quantity = c.amount;
        return Reply::ok();
    case Key::Sale: return sale(c.amount, c.number, c.text);
    case Key::DepartmentKey: return departmentKey(c.number);
    case Key::TextLine: return comment(c.text);
    case Key::EntryAC: return entryAC(c);
    case Key::AmountModifier: return modifier(c.amount, false, c.text);
    case Key::PercentModifier: return modifier(c.amount, true, c.text);
    case Key::Subtotal: return subtotal();
    case Key::Comment: return comment(c.text);
    case Key::Cancel: return cancel(c.number);
    case Key::Void: return voidLast();
    case Key::Payment: return isReport(c) ? report(c.raw) : payment(c);
    case Key::CardPayment: return cardPayment(c);
    case Key::TransferArm: pending_.transferArmed = true; return Reply::ok();
    case Key::TransferItem: return transferItem(c);
    case Key::TransferOk: return transferOk();
    case Key::TransferNo: return transferNo();
    case Key::OpenTable: return openTable(c.number);
    case Key::CloseTable: return closeTable();
    case Key::MoveTable: return moveTable(c);
    case Key::PayTableArm:
        if (receipt_)
            return Reply::error(ReceiptOpen);
        if (zDue_)
            return Reply::error(ZDue);
        pending_.payTableArmed = true;
        return Reply::ok();
    case Key::FromTable: return fromTable(c.number);
    default: return Reply::error(UnknownFunction);
    }
}

Reply EcrRegister::query(const Command &c)
{
    switch (c.key) {
    case Key::Status: {
        const int s = status();
        if (config_.statusDeForm && s != 0)
            return Reply::ok(QStringLiteral("STATUS:DE%1C").arg(s));
        return Reply::ok(QStringLiteral("STAT:%1").arg(s));
    }
    case Key::QueryOpenTable: return Reply::ok(QStringLiteral("TO:%1").arg(openTable_));
    case Key::TableReport: return Reply::ok(QStringLiteral("REP:%1:%2").arg(c.number).arg(tableTotal(c.number)));
    case Key::TableList: {
        QStringList numbers;
        for (int t : tables())
            numbers << QString::number(t);
        return Reply::ok(QStringLiteral("TBL:")
                         + (numbers.isEmpty() ? QStringLiteral("0") : numbers.join(QLatin1Char(','))));
    }
    case Key::ReceiptNumbers:
        return Reply::ok(QStringLiteral("RE:%1:%2").arg(zNumber_, 5, 10, QLatin1Char('0')).arg(receiptNumber_));
    default: return Reply::error(UnknownFunction);
    }
}

// The clear key drops whatever was typed ahead and any half-done transfer
// step; it never touches a receipt. Its reply carries the open table and the
// number of the last receipt, which is how the program learns the number of a
// table's receipt after paying it.
Reply EcrRegister::clear()
{
    pending_ = Pending{};
    move_.reset();
    return Reply::ok(QStringLiteral("CL:%1:%2").arg(openTable_).arg(receiptNumber_));
}

int EcrRegister::status() const
{
    if (paperOut_)
        return PaperOut;
    if (zDue_)
        return ZDue;
    return receipt_ ? 1 : 0;
}

QStringList EcrRegister::books() const
{
    QStringList lines = closed_;
    QStringList payments;
    for (auto it = day_.byPayment.begin(); it != day_.byPayment.end(); ++it)
        payments << QStringLiteral("%1=%2").arg(it.key()).arg(formatMoney(it.value()));
    lines << QStringLiteral("day: receipts %1, total %2, payments %3")
                 .arg(day_.receipts)
                 .arg(formatMoney(day_.total()))
                 .arg(payments.join(QLatin1Char(' ')));
    QStringList tables;
    for (auto it = tables_.begin(); it != tables_.end(); ++it)
        tables << QStringLiteral("%1=%2").arg(it.key()).arg(formatMoney(it->total()));
    lines << QStringLiteral("tables: %1; receipt %2")
                 .arg(tables.join(QLatin1Char(' ')), receipt_ ? QStringLiteral("open") : QStringLiteral("none"));
    return lines;
}

std::optional<CardRequest> EcrRegister::takeCardRequest()
{
    auto started = cardStarted_;
    cardStarted_.reset();
    return started;
}

bool EcrRegister::completeCard(int id, bool approved)
{
    if (!card_ || card_->id != id)
        return false;
    const CardRequest request = *card_;
    card_.reset();
    if (approved && receipt_)
        book(Payment{request.code, request.amount, true, request.terminal});
    return true;
}

qint64 EcrRegister::tableTotal(int table) const
{
    const auto it = tables_.find(table);
    return it == tables_.end() ? 0 : it->total();
}

QList<int> EcrRegister::tables() const
{
    QList<int> open;
    for (auto it = tables_.begin(); it != tables_.end(); ++it) {
        if (!it->isEmpty() || it.key() == openTable_)
            open << it.key();
    }
    return open;
}

QString EcrRegister::now() const
{
    const QDateTime when = config_.fixedDate ? *config_.fixedDate : clock_.wallNow();
    return when.toString(QStringLiteral("dd/MM/yyyy HH:mm"));
}

QString EcrRegister::vatLetter(int vat) const
{
    static const QString letters = QStringLiteral("*ΑΒΓΔΕ");
    return vat >= 0 && vat < letters.size() ? QString(letters[vat]) : QStringLiteral("*");
}

QString EcrRegister::paymentName(int number)
{
    switch (number) {
    case 1: return QStringLiteral("ΜΕΤΡΗΤΑ");
    case 2: return QStringLiteral("ΚΑΡΤΑ");
    case 3: return QStringLiteral("ΕΠΙΤΑΓΗ");
    case 4: return QStringLiteral("ΠΙΣΤΩΣΗ");
    case 9: return QStringLiteral("ΠΡΟΕΙΣΠΡΑΞΗ");
    default: return QStringLiteral("ΠΛΗΡΩΜΗ %1").arg(number);
    }
}

} // namespace dravimo::sim
