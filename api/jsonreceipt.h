#pragma once
// A receipt sent as JSON, turned into the print file a host would have
// written for it, so that both forms go through the same translation and put
// the same commands on the line. Each entry of "lines" is an object with one
// member, named after the print-file line it stands for (docs/receipt.schema.json):
//   sale, discount, subtotal, modifier, comment, blankComments, cancel, void,
//   payment, cardPayment, openTable, closeTable, moveTable, transferTable,
//   payTable, listTables, footer
// Fields that are numbers may be sent as JSON numbers or as strings; a field
// longer than its column is refused rather than cut, since the cut value
// would be another sale.

#include <QByteArray>
#include <QString>

namespace dravimo {

struct JsonReceipt
{
    // The print file's text (CR LF lines), empty when refused.
    QString printFile;
    // Why it was refused: what is wrong and where ("lines[3].sale.price ...").
    QString error;
    // The kind of refusal: "malformed-json", "unknown-line-kind", "bad-field".
    QString code;
};

JsonReceipt printFileFromJson(const QByteArray &json);

} // namespace dravimo
