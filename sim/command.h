#pragma once
// The register's keyboard language, one framed command at a time.
//
// Every command is "KX" + keys (or "KY" + a programming sequence). The parser
// only recognises the shape; whether the key makes sense now is the register's
// business. Texts (descriptions, comments) stay in the register's own
// character set; they are decoded to Greek only when printed.

#include <QString>
#include <QtGlobal>

namespace dravimo::sim {

enum class Key {
    Unknown,         // not a command of the register (answered DE57)
    TooLong,         // a number with more digits than the keyboard takes (DE4)
    Programming,     // "KY..."
    Setting794,      // "KX794ST"
    Silent794,       // "KX794ST" + CR: the one command the register never answers
    Minus,           // "KX- "
    Quantity,        // "KX" I "." F "* "
    Sale,            // "KX" cents "R" department text
    DepartmentKey,   // "KX" department "PL"
    TextLine,        // "KX10PL" text
    EntryAC,         // "KX" digits "AC" [text]: a price for the selected department, or an item code
    AmountModifier,  // "KX" cents "GE" [text]
    PercentModifier, // "KX" hundredths "% " [text]
    Subtotal,        // "KXST"
    Comment,         // "KXCO " text
    Cancel,          // "KX@215T" n
    Void,            // "KXVOID"
    Payment,         // "KX" [cents] "T" n
    CardPayment,     // "KX" [cents] "T" code "P" terminal
    TransferArm,     // "KXTRF"
    TransferItem,    // "KXPA" cents "R" department text
    TransferOk,      // "KXTRFOK"
    TransferNo,      // "KXTRFNO"
    OpenTable,       // "KX" n "TO"
    CloseTable,      // "KXTO"
    MoveTable,       // "KXFROM" a "TO" b ["PAR"]
    PayTableArm,     // "KXPPAY"
    FromTable,       // "KXFROM" n
    QueryOpenTable,  // "KX?TO"
    TableReport,     // "KXREP" n "TBL"
    TableList,       // "KXREPTBL"
    ReceiptNumbers,  // "KXRE"
    Status,          // "KXSTAT"
    Clear,           // "KXCL"
};

struct Command
{
    Key key = Key::Unknown;
    QString raw;          // the framed command as received (decoded byte for byte)
    qint64 amount = -1;   // cents, hundredths, quantity in thousandths; -1 when absent
    int number = 0;       // department, payment, table, cancel number...
    int number2 = 0;      // card terminal, target table
    bool partial = false; // "PAR" of a table move
    QString digits;       // the digits of "AC" as typed (an item code keeps its zeros)
    QString text;         // description or comment, register character set
};

Command parseCommand(const QString &raw);

// Queries change nothing on the register and are answered whatever it is doing.
bool isQuery(Key key);

} // namespace dravimo::sim
