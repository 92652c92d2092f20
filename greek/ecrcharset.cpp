#include "greek/ecrcharset.h"

#include "greek/cp1253.h"

namespace dravimo {
namespace greek {
namespace {

QChar byteChar(unsigned char b)
{
    return cp1253::fromByte(b);
}

QHash<QChar, QChar> buildTableA()
{
    QHash<QChar, QChar> t;
    auto add = [&t](char16_t in, unsigned char out) { t.insert(QChar(in), byteChar(out)); };
    // Capitals with a Latin look-alike keep its ASCII place.
    add(u'Α', 'A');
    add(u'Β', 'B');
    add(u'Ε', 'E');
    add(u'Ζ', 'Z');
    add(u'Η', 'H');
    add(u'Ι', 'I');
    add(u'Κ', 'K');
    add(u'Μ', 'M');
    add(u'Ν', 'N');
    add(u'Ο', 'O');
    add(u'Ρ', 'P');
    add(u'Τ', 'T');
    add(u'Υ', 'Y');
    add(u'Χ', 'X');
    // The nine without one take 0x85..0x8D in alphabetical order.
    add(u'Γ', 0x85);
    add(u'Δ', 0x86);
    add(u'Θ', 0x87);
    add(u'Λ', 0x88);
    add(u'Ξ', 0x89);
    add(u'Π', 0x8A);
    add(u'Φ', 0x8B);
    add(u'Ψ', 0x8C);
    add(u'Ω', 0x8D);
    // Σ sits where the Latin small f would be.
    add(u'Σ', 0x66);
    // Accented capitals lose the accent.
    add(u'Ά', 'A');
    add(u'Έ', 'E');
    add(u'Ή', 'H');
    add(u'Ί', 'I');
    add(u'Ό', 'O');
    add(u'Ύ', 'Y');
    add(u'Ώ', 0x8D);
    // Small letters.
    add(u'α', 0xD6);
    add(u'β', 0xD7);
    add(u'γ', 0xD8);
    add(u'δ', 0xDD);
    add(u'ε', 0xDE);
    add(u'ζ', 0xE0);
    add(u'η', 0xE1);
    add(u'θ', 0xE2);
    add(u'ι', 0xE3);
    add(u'κ', 0xE4);
    add(u'λ', 0xE5);
    add(u'μ', 0xE6);
    add(u'ν', 0xE7);
    add(u'ξ', 0xE8);
    add(u'ο', 0xE9);
    add(u'π', 0xEA);
    add(u'ρ', 0xEB);
    add(u'σ', 0xEC);
    add(u'ς', 0xED);
    add(u'τ', 0xEE);
    add(u'υ', 0xF2);
    add(u'φ', 0xF3);
    add(u'χ', 0xF4);
    add(u'ψ', 0xF5);
    add(u'ω', 0xFA);
    // Accented small letters.
    add(u'ά', 0x9B);
    add(u'έ', 0x9D);
    add(u'ή', 0x9E);
    add(u'ί', 0x9F);
    add(u'ό', 0xA2);
    add(u'ύ', 0xA3);
    add(u'ϋ', 0xFB);
    add(u'ώ', 0xFA);
    return t;
}

QHash<QChar, QChar> buildTableB()
{
    QHash<QChar, QChar> t;
    auto range = [&t](unsigned char first, const char16_t *letters) {
        for (int i = 0; letters[i] != 0; ++i)
            t.insert(byteChar(static_cast<unsigned char>(first + i)), QChar(letters[i]));
    };
    range(0x80, u"ΑΒΓΔΕΖΗΘΙΚΛΜΝΞΟΠΡΣΤΥΦΧΨΩ");
    range(0x98, u"αβγδεζηθικλμνξοπρσςτυφχψ");
    range(0xE0, u"ωάέή");
    // 0xE4 (ϊ in the DOS page) is not repaired.
    range(0xE5, u"ίόύ");
    // 0xE8 (ϋ in the DOS page) is not repaired.
    range(0xE9, u"ώΆΈΉΊΌΎΏ");
    return t;
}

} // namespace

const QHash<QChar, QChar> &tableA()
{
    static const QHash<QChar, QChar> t = buildTableA();
    return t;
}

const QHash<QChar, QChar> &tableB()
{
    static const QHash<QChar, QChar> t = buildTableB();
    return t;
}

QString mapThrough(const QHash<QChar, QChar> &table, const QString &text)
{
    QString out;
    out.reserve(text.size());
    for (QChar c : text)
        out.append(table.value(c, c));
    return out;
}

QString fromEcrCharset(const QString &ecrText)
{
    static const QHash<QChar, QChar> inverse = [] {
        QHash<QChar, QChar> inv;
        // Only the codes that are not plain ASCII: an ASCII letter on the roll is
        // the Latin letter it looks like, which reads the same.
        const QString plainFirst = QStringLiteral("ΓΔΘΛΞΠΦΨΩΣαβγδεζηθικλμνξοπρσςτυφχψωάέήίόύϋ");
        for (QChar greekLetter : plainFirst) {
            const QChar code = tableA().value(greekLetter);
            if (code.unicode() >= 0x80 || greekLetter == QChar(u'Σ'))
                inv.insert(code, greekLetter);
        }
        // ω and ώ share one code; the plain letter reads best.
        inv.insert(tableA().value(QChar(u'ω')), QChar(u'ω'));
        return inv;
    }();
    return mapThrough(inverse, ecrText);
}

} // namespace greek

QString greek::toEcrCharset(const QString &text)
{
    return mapThrough(tableA(), text);
}

QString greek::repairDosMisreading(const QString &text)
{
    return mapThrough(tableB(), text);
}

} // namespace dravimo
