#pragma once
// The two character tables behind the Greek text conversion.
//
// Table A is the ECR's own character set: Latin look-alikes for the Greek
// capitals that have one, the codes 0x85..0x8D for the nine that do not, 0x66
// for Σ, and a block of codes for the small letters. Table B repairs text that
// was written in the DOS Greek code page (737) but decoded as Windows-1253.
//
// Both tables keep the length of the text: one character in, one out, so a
// field cut to its width before conversion keeps that width after it.

#include <QChar>
#include <QHash>
#include <QString>

namespace dravimo {

namespace greek {

// Text in the register's character set: table A, one character each.
QString toEcrCharset(const QString &text);
// DOS Greek read as Windows-1253, given back as the letters it was: table B.
QString repairDosMisreading(const QString &text);

// Table A: Greek character -> the character whose Windows-1253 byte the ECR
// receives (64 rows).
const QHash<QChar, QChar> &tableA();
// Table B: Windows-1253 misreading of a DOS-Greek character -> the letter.
const QHash<QChar, QChar> &tableB();

// Applies a table character by character; characters it does not list pass.
QString mapThrough(const QHash<QChar, QChar> &table, const QString &text);

// Reads the ECR's character set back as Greek: the inverse of table A for
// display (the simulator's paper roll). Where table A folds two letters into
// one code (accented capitals, ώ and ω) the plain letter is given back.
QString fromEcrCharset(const QString &ecrText);

} // namespace greek
} // namespace dravimo
