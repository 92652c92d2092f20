#pragma once
// Every command Dravimo sends to the register is built here, and each comes
// with what it does to the register's books. Whoever needs to know whether a
// command may be sent again, held while the paper is out, or settled after a
// crash asks its kind; nothing reads a command's text to guess it.

#include <QString>
#include <QtGlobal>

namespace dravimo {

enum class CommandKind : quint8 {
    Question,      // asks only: status, receipt numbers, the open table, the tables with orders
    TableTotal,    // asks only: one table's total (a sale to a table changes it)
    Clear,         // "KXCL": drops keys typed ahead and a pending error, never a receipt
    ReceiptItem,   // sales, comments, quantities, voids: the open receipt
    Modifier,      // discounts, surcharges and the subtotal key they follow
    Payment,       // a payment of the open receipt
    CardPayment,   // a payment through the card terminal
    CancelReceipt, // the whole open receipt cancelled
    Report,        // X and Z reports
    TableOpen,     // a table opened for keying
    TablePark,     // the table open for keying put aside
    TableMove,     // items moved between tables or onto a receipt
    PayTable,      // a table's items brought onto a receipt for payment
    Raw,           // written by the host itself ("PRG", "snd"): anything at all
};

struct Command
{
    QString text;
    CommandKind kind = CommandKind::Raw;
    // A key that only arms the next one (the minus key, a quantity, a
    // keyboard department, the start of a transfer or of a table's payment):
    // the clear the exchange sends after any refusal drops it, so a command
    // sent again after a refusal needs these keys sent again before it.
    bool armsNext = false;

    bool operator==(const Command &) const = default;
};

// Whether a command may have changed what the register holds: anything but a
// question or the clear key.
constexpr bool changesRegister(CommandKind kind)
{
    return kind != CommandKind::Question && kind != CommandKind::TableTotal && kind != CommandKind::Clear;
}

// Keys the open receipt: an item, a modifier or a table's items.
constexpr bool keysReceipt(CommandKind kind)
{
    return kind == CommandKind::ReceiptItem || kind == CommandKind::Modifier || kind == CommandKind::PayTable;
}

// The kind's name in logs and counters ("receipt_item", "card_payment").
QString kindName(CommandKind kind);

namespace ecrcommand {

// Questions.
Command status();                       // "KXSTAT"
Command receiptNumbers();               // "KXRE"
Command openTable();                    // "KX?TO"
Command tableTotal(int table);          // "KXREP<n>TBL"
Command tablesWithOrders();             // "KXREPTBL"
Command clear();                        // "KXCL"

// The receipt.
Command departmentKey(const QString &department); // "KX<d>PL"
Command quantity(const QString &quantity);        // "KX<q>* "
Command sale(const QString &sale);                // "KX<price>R<department><text>"
Command saleByPrice(const QString &price, const QString &text);       // "KX<price>AC<text>"
Command saleByCode(const QString &code);                              // "KX<code>AC"
Command saleByBarcode(const QString &intro, const QString &code);     // "KX10PLK<intro><code>"
Command comment(const QString &text);             // "KXCO <text>"
Command voidLast();                               // "KXVOID"
// "KX@215T<n>": the cancel key with the host's number; number 0 (the
// default) cancels the whole open receipt.
Command cancel(const QString &number);
Command cancelReceipt();                          // "KX@215T0"

// Modifiers.
Command subtotal();                                              // "KXST"
Command minusKey();                                              // "KX- "
Command amountModifier(const QString &amount, const QString &text = {});  // "KX<a>GE<text>"
Command percentModifier(const QString &percent, const QString &text = {}); // "KX<p>% <text>"

// Payments: "KXT<n>" or "KX<amount>T<n>"; a card's "KX[amount]T<n>P<terminal>".
Command payment(const QString &amount, const QString &paymentNumber);
Command cardPayment(const QString &amount, int paymentNumber, int terminal);

// Reports.
Command dailyXReport();  // "KX0T1"
Command periodXReport(); // "KX5T1"
Command dailyZReport();  // "KX021T1"
Command periodZReport(); // "KX521T1"

// Tables.
Command tableOpen(const QString &table);            // "KX<n>TO"
Command tablePark();                                // "KXTO"
Command transferStart();                            // "KXTRF"
Command transferItem(const QString &sale);          // "KXPA<sale>"
Command transferConfirm();                          // "KXTRFOK"
Command transferRefuse();                           // "KXTRFNO"
Command tableMove(int from, int to, bool partial);  // "KXFROM<a>TO<b>[PAR]"
Command payTableStart();                            // "KXPPAY"
Command payTableFrom(int table);                    // "KXFROM<n>"

// A command as the host wrote it, sent as it stands.
Command raw(const QString &text);

} // namespace ecrcommand
} // namespace dravimo
