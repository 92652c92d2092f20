#pragma once
// What a command does to the register, as far as settling a job cut short
// needs to know: whether it can have changed the books, and how to tell
// afterwards whether it did.

#include <QString>

namespace dravimo {

enum class CommandKind {
    Query,         // asks only ("KXSTAT", "KXRE", "KX?TO", the table reports)
    Clear,         // "KXCL": drops keys typed ahead, never a receipt
    ReceiptItem,   // sales, modifiers, comments, quantities, voids: the open receipt
    Payment,       // a payment of the open receipt
    CardPayment,   // a payment through the card terminal
    CancelReceipt, // "KX@215T0": the whole open receipt cancelled
    Report,        // X and Z reports
    TableOpen,     // "KX<n>TO"
    TablePark,     // "KXTO"
    TableMove,     // moves between tables
    PayTable,      // "KXPPAY", "KXFROM<n>": a table's items onto a receipt
    Other,         // programming and anything unknown
};

CommandKind commandKind(const QString &command);

// A key that only arms the next one (the minus key, a quantity, a keyboard
// department, the start of a transfer or of a table's payment): the clear the
// link sends after any refusal drops it, so a command sent again after a
// refusal needs these keys sent again before it.
bool armsNextKey(const QString &command);

// The daily Z report's command.
inline const QString kDailyZCommand = QStringLiteral("KX021T1");

} // namespace dravimo
