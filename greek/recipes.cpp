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

// Greek letters a DOS text can turn into when read as Windows-1253 (the
// letters at 0xE0..0xF0 and their capitals, and Ά at 0xA2).
bool dosCompatibleLetter(char16_t c)
{
    return c == u'Ά' || c == u'ΰ' || (c >= u'α' && c <= u'π') || (c >= u'Α' && c <= u'Π');
}

bool greekLetter(char16_t c)
{
    return c >= 0x0386 && c <= 0x03CE && QChar(c).isLetter();
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
    bool dosLetters = false;
    for (QChar c : text) {
        const char16_t u = c.unicode();
        if (greekLetter(u) && !dosCompatibleLetter(u))
            return false;
        const auto b = static_cast<unsigned char>(cp1253::toByte(c));
        if (b >= 0x80 && b <= 0xAF && u != u'Ά' && tableB().contains(c))
            dosLetters = true;
    }
    return dosLetters;
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
