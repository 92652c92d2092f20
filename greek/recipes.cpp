#include "greek/recipes.h"

#include "greek/cp1253.h"
#include "greek/ecrcharset.h"

namespace dravimo::greek {
namespace {

// The ECR has no accented letters; the small ones become the plain Latin
// capital that looks the same, ώ the Greek Ω (no Latin look-alike).
QString dropAccents(QString text)
{
    static const char16_t from[] = u"άέήίόύώ";
    static const char16_t to[] = u"AEHIOYΩ";
    for (int i = 0; from[i] != 0; ++i)
        text.replace(QChar(from[i]), QChar(to[i]));
    return text;
}

// Byte 0x83 is Δ in the DOS page but reads as ƒ in Windows-1253; a converter
// that missed it, or an upper-casing that made it Ƒ, must not send a florin.
QString repairDosDelta(QString text)
{
    text.replace(QChar(u'ƒ'), QChar(u'Δ'));
    text.replace(QChar(u'Ƒ'), QChar(u'Δ'));
    return text;
}

// Evidence for DOS Greek: a character whose Windows-1253 byte is an
// unaccented letter in code page 737 (0x80..0xAF and 0xE0) and a symbol in
// Windows-1253. Ά (0xA2) is left out: it is an ordinary Windows capital.
bool dosLetterEvidence(QChar c)
{
    const auto b = static_cast<unsigned char>(cp1253::toByte(c));
    return ((b >= 0x80 && b <= 0xAF) || b == 0xE0) && b != 0xA2;
}

// Evidence for Windows Greek: an unaccented Greek letter, capital or small.
// Its byte is box drawing (0xC1..0xD9) or a plain letter (0xE1..0xF9) in code
// page 737, never an unaccented DOS letter.
bool windowsLetterEvidence(QChar c)
{
    const char16_t u = c.unicode();
    return (u >= u'Α' && u <= u'Ω' && u != 0x03A2) || (u >= u'α' && u <= u'ω');
}

} // namespace

QString simpleUpper(const QString &text)
{
    QString out;
    out.reserve(text.size());
    for (QChar c : text)
        out.append(c.toUpper());
    return out;
}

bool looksLikeDosGreek(const QString &text)
{
    qsizetype dos = 0;
    qsizetype windows = 0;
    for (QChar c : text) {
        dos += dosLetterEvidence(c) ? 1 : 0;
        windows += windowsLetterEvidence(c) ? 1 : 0;
    }
    return dos > windows;
}

QString repairDosGreek(const QString &text)
{
    return looksLikeDosGreek(text) ? repairDosMisreading(text) : text;
}

QString itemTextConversion(const QString &text, const ExternalConverter &converter)
{
    QString t = converter ? converter(text) : repairDosGreek(text);
    t = repairDosDelta(dropAccents(t));
    return toEcrCharset(simpleUpper(t));
}

// The repair comes first, on the text as written: upper-casing first would
// turn the DOS small letters that read as Windows small letters (έ is β, ή is
// γ...) and the DOS Δ (ƒ) into capitals that table B no longer recognises.
QString commentTextConversion(const QString &text)
{
    QString t = simpleUpper(repairDosGreek(text));
    t = repairDosDelta(dropAccents(t));
    return toEcrCharset(simpleUpper(t));
}

} // namespace dravimo::greek
