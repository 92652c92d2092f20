#include "ecr/commands.h"

namespace dravimo {

QString kindName(CommandKind kind)
{
    switch (kind) {
    case CommandKind::Question: return QStringLiteral("question");
    case CommandKind::TableTotal: return QStringLiteral("table_total");
    case CommandKind::Clear: return QStringLiteral("clear");
    case CommandKind::ReceiptItem: return QStringLiteral("receipt_item");
    case CommandKind::Modifier: return QStringLiteral("modifier");
    case CommandKind::Payment: return QStringLiteral("payment");
    case CommandKind::CardPayment: return QStringLiteral("card_payment");
    case CommandKind::CancelReceipt: return QStringLiteral("cancel");
    case CommandKind::Report: return QStringLiteral("report");
    case CommandKind::TableOpen: return QStringLiteral("table_open");
    case CommandKind::TablePark: return QStringLiteral("table_park");
    case CommandKind::TableMove: return QStringLiteral("table_move");
    case CommandKind::PayTable: return QStringLiteral("pay_table");
    case CommandKind::Raw: return QStringLiteral("raw");
    }
    return QStringLiteral("raw");
}

namespace ecrcommand {
namespace {

using K = CommandKind;

Command key(const QString &keys, CommandKind kind, bool armsNext = false)
{
    return {QStringLiteral("KX") + keys, kind, armsNext};
}

} // namespace

Command status() { return key(QStringLiteral("STAT"), K::Question); }
Command receiptNumbers() { return key(QStringLiteral("RE"), K::Question); }
Command openTable() { return key(QStringLiteral("?TO"), K::Question); }
Command tableTotal(int table) { return key(QStringLiteral("REP%1TBL").arg(table), K::TableTotal); }
Command tablesWithOrders() { return key(QStringLiteral("REPTBL"), K::Question); }
Command clear() { return key(QStringLiteral("CL"), K::Clear); }

Command departmentKey(const QString &department) { return key(department + QStringLiteral("PL"), K::ReceiptItem, true); }
Command quantity(const QString &quantity) { return key(quantity + QStringLiteral("* "), K::ReceiptItem, true); }
Command sale(const QString &sale) { return key(sale, K::ReceiptItem); }
Command saleByPrice(const QString &price, const QString &text)
{
    return key(price + QStringLiteral("AC") + text, K::ReceiptItem);
}
Command saleByCode(const QString &code) { return key(code + QStringLiteral("AC"), K::ReceiptItem); }
Command saleByBarcode(const QString &intro, const QString &code)
{
    return key(QStringLiteral("10PLK") + intro + code, K::ReceiptItem);
}
Command comment(const QString &text) { return key(QStringLiteral("CO ") + text, K::ReceiptItem); }
Command voidLast() { return key(QStringLiteral("VOID"), K::ReceiptItem); }

Command cancel(const QString &number)
{
    bool numeric = false;
    const bool wholeReceipt = number.toLongLong(&numeric) == 0 && numeric;
    return key(QStringLiteral("@215T") + number, wholeReceipt ? K::CancelReceipt : K::ReceiptItem);
}
Command cancelReceipt() { return cancel(QStringLiteral("0")); }

Command subtotal() { return key(QStringLiteral("ST"), K::Modifier); }
Command minusKey() { return key(QStringLiteral("- "), K::ReceiptItem, true); }
Command amountModifier(const QString &amount, const QString &text)
{
    return key(amount + QStringLiteral("GE") + text, K::Modifier);
}
Command percentModifier(const QString &percent, const QString &text)
{
    return key(percent + QStringLiteral("% ") + text, K::Modifier);
}

Command payment(const QString &amount, const QString &paymentNumber)
{
    return key(amount + QLatin1Char('T') + paymentNumber, K::Payment);
}
Command cardPayment(const QString &amount, int paymentNumber, int terminal)
{
    return key(amount + QLatin1Char('T') + QString::number(paymentNumber) + QLatin1Char('P') + QString::number(terminal),
               K::CardPayment);
}

Command dailyXReport() { return key(QStringLiteral("0T1"), K::Report); }
Command periodXReport() { return key(QStringLiteral("5T1"), K::Report); }
Command dailyZReport() { return key(QStringLiteral("021T1"), K::Report); }
Command periodZReport() { return key(QStringLiteral("521T1"), K::Report); }

Command tableOpen(const QString &table) { return key(table + QStringLiteral("TO"), K::TableOpen); }
Command tablePark() { return key(QStringLiteral("TO"), K::TablePark); }
Command transferStart() { return key(QStringLiteral("TRF"), K::TableMove, true); }
Command transferItem(const QString &sale) { return key(QStringLiteral("PA") + sale, K::TableMove); }
Command transferConfirm() { return key(QStringLiteral("TRFOK"), K::TableMove); }
Command transferRefuse() { return key(QStringLiteral("TRFNO"), K::TableMove); }
Command tableMove(int from, int to, bool partial)
{
    return key(QStringLiteral("FROM%1TO%2").arg(from).arg(to) + (partial ? QStringLiteral("PAR") : QString()),
               K::TableMove);
}
Command payTableStart() { return key(QStringLiteral("PPAY"), K::PayTable, true); }
Command payTableFrom(int table) { return key(QStringLiteral("FROM%1").arg(table), K::PayTable); }

Command raw(const QString &text) { return {text, K::Raw, false}; }

} // namespace ecrcommand
} // namespace dravimo
