#pragma once
// The register's answers to questions: its error status, the open restaurant
// table, the table figures and list, and the receipt numbers. Replies are
// colon-separated fields; each query reads only the fields it names.

#include "core/numbers.h"
#include "ecr/link.h"

#include <QString>
#include <QtGlobal>

#include <optional>

namespace dravimo {


// Status answers of the register, and of the status query when it cannot be
// read.
namespace ecrstatus {
constexpr qint16 Ready = 0;
constexpr qint16 ReceiptOpen = 1;
constexpr qint16 NoStatus = -3;
constexpr qint16 Unreadable = -99;
} // namespace ecrstatus

class EcrQueries
{
public:
    EcrQueries(EcrLink &link, NumberFormat numbers) : link_(link), numbers_(numbers) {}

    // "KXSTAT", quietly: 0 ready, 1 a receipt open, or a pending error code;
    // ecrstatus::NoStatus when the register did not answer.
    qint16 status();
    // The same question for a decision about an open receipt: a reply of
    // neither form, which status() reads as 0, is asked once more. A register
    // may answer that way when ready, and then does so twice; but line noise
    // before "STAT:1" reads the same way, and taken for "nothing open" it
    // would let a job run into a receipt that is still open.
    qint16 confirmedStatus();
    // "KX?TO": the open table, -1 when none or on failure.
    qint16 openTable();
    // "KXREP<n>TBL": the table's total as the register writes it, "-1" on
    // failure or for a figure that is not a non-negative number.
    QString tableTotal(int table);
    // "KXREPTBL": the tables holding an order, blanks removed; "-1" when none
    // or on failure.
    QString tableList();
    // "KXRE": "<Z number>, <last receipt>", or "-1, -1" on failure and while
    // the register has printed no receipt yet.
    QString receiptNumbers();

    // The last receipt number in the reply of "KXCL" (field 3), -1 when none.
    static qint16 lastReceiptFromClearReply(const QString &reply, const NumberFormat &numbers);

private:
    CommandResult ask(const Command &question, Quiet quiet = Quiet::No);

    EcrLink &link_;
    NumberFormat numbers_;
};

} // namespace dravimo
