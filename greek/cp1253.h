#pragma once
// The Windows Greek code page (1253), byte for byte.
//
// Every file Dravimo reads or writes and every byte on the wire to the ECR goes
// through here, never through the system's 8-bit locale. The mapping is
// one-to-one over all 256 bytes: the bytes the code page leaves undefined come
// back as the characters Windows itself uses for them (U+0081..U+009F for the
// C1 gaps, U+F8F9/U+F8FA/U+F8FB for 0xAA/0xD2/0xFF), so a byte read is a byte
// written. The ECR character set relies on that: it uses several of those gaps.

#include <QByteArray>
#include <QChar>
#include <QString>

namespace dravimo::cp1253 {

QString decode(const QByteArray &bytes);
QByteArray encode(const QString &text);

// One character's byte; characters outside the code page become '?'.
char toByte(QChar c);
QChar fromByte(unsigned char b);

// True when the character has a place in the code page.
bool representable(QChar c);

} // namespace dravimo::cp1253
