#pragma once
// The DOS Greek code page (737), read-only.
//
// Some hosts still write their item texts in the DOS code page while the rest
// of the print file is Windows-1253. The environmental-fee check therefore
// looks for its marker twice: in the text as read, and in the same bytes read
// as DOS Greek.

#include <QByteArray>
#include <QString>

namespace dravimo::cp737 {

QString decode(const QByteArray &bytes);

// The text's Windows-1253 bytes read again as DOS Greek, NUL characters
// dropped. A text that holds only ASCII comes back unchanged.
QString readAsDosGreek(const QString &text);

} // namespace dravimo::cp737
