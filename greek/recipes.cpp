#include "greek/recipes.h"

#include "greek/cp1253.h"
#include "greek/ecrcharset.h"

#include <QHash>

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

// Of those bytes, the ones that are also symbols everyday Windows text holds
// (€ … – — ‘ ’ “ ” « © ® and the no-break space): on their own they are far
// more likely the symbol than a DOS letter.
bool everydaySymbol(QChar c)
{
    static const QString symbols = QStringLiteral("€…–—‘’“”«»©®°\u00A0");
    return symbols.contains(c);
}

// Evidence for Windows Greek: an unaccented Greek letter, capital or small.
// Its byte is box drawing (0xC1..0xD9) or a plain letter (0xE1..0xF9) in code
// page 737, never an unaccented DOS letter.
bool windowsLetterEvidence(QChar c)
{
    const char16_t u = c.unicode();
    return (u >= u'Α' && u <= u'Ω' && u != 0x03A2) || (u >= u'α' && u <= u'ω');
}

// The DOS letters of a text: an everyday symbol counts only inside a run of
// DOS letters that holds another kind of DOS letter too, so "0,5L €" and
// "ESPRESSO – DOUBLE" hold none while DOS "ΚΑΦΕΣ" (whose Α is the byte of €)
// holds five.
qsizetype dosLetters(const QString &text)
{
    qsizetype count = 0;
    qsizetype i = 0;
    while (i < text.size()) {
        if (!dosLetterEvidence(text.at(i))) {
            ++i;
            continue;
        }
        qsizetype run = 0;
        bool plainLetter = false;
        for (; i < text.size() && dosLetterEvidence(text.at(i)); ++i, ++run)
            plainLetter = plainLetter || !everydaySymbol(text.at(i));
        if (plainLetter)
            count += run;
    }
    return count;
}

// What a cashier keys for a character the register has no code for, and the
// nearest letter for the Greek ones it cannot print.
const QHash<QChar, QString> &lookAlikes()
{
    static const QHash<QChar, QString> table = {
        {QChar(u'€'), QStringLiteral("EUR")}, {QChar(u'–'), QStringLiteral("-")},
        {QChar(u'—'), QStringLiteral("-")},   {QChar(u'…'), QStringLiteral("...")},
        {QChar(u'‘'), QStringLiteral("'")},   {QChar(u'’'), QStringLiteral("'")},
        {QChar(u'‚'), QStringLiteral("'")},   {QChar(u'“'), QStringLiteral("\"")},
        {QChar(u'”'), QStringLiteral("\"")},  {QChar(u'„'), QStringLiteral("\"")},
        {QChar(u'«'), QStringLiteral("\"")},  {QChar(u'»'), QStringLiteral("\"")},
        {QChar(0x00A0), QStringLiteral(" ")}, {QChar(u'©'), QStringLiteral("(C)")},
        {QChar(u'®'), QStringLiteral("(R)")}, {QChar(u'°'), QStringLiteral("o")},
        {QChar(u'±'), QStringLiteral("+-")},  {QChar(u'²'), QStringLiteral("2")},
        {QChar(u'ΰ'), QStringLiteral("Υ")},   {QChar(u'ϋ'), QStringLiteral("Υ")},
        {QChar(u'Ϋ'), QStringLiteral("Υ")},   {QChar(u'ΐ'), QStringLiteral("Ι")},
        {QChar(u'ϊ'), QStringLiteral("Ι")},   {QChar(u'Ϊ'), QStringLiteral("Ι")},
    };
    return table;
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
    qsizetype windows = 0;
    for (QChar c : text)
        windows += windowsLetterEvidence(c) ? 1 : 0;
    return dosLetters(text) > windows;
}

QString plainLookAlikes(const QString &text)
{
    QString out;
    out.reserve(text.size());
    for (QChar c : text) {
        const auto it = lookAlikes().find(c);
        if (it == lookAlikes().end())
            out.append(c);
        else
            out.append(it.value());
    }
    // The text grew only where a symbol became several characters: the
    // spaces that pad a field to its width make room first.
    while (out.size() > text.size() && out.endsWith(QLatin1Char(' ')))
        out.chop(1);
    return out;
}

QString repairDosGreek(const QString &text)
{
    return looksLikeDosGreek(text) ? repairDosMisreading(text) : text;
}

QString commandTextConversion(const QString &text, const ExternalConverter &converter)
{
    QString t = converter ? converter(text) : repairDosGreek(text);
    t = repairDosDelta(dropAccents(t));
    return toEcrCharset(simpleUpper(t));
}

// The look-alikes go in after the DOS repair, which needs the bytes as
// written, and before the register's table, which would send € or … as
// letters of its own.
QString itemTextConversion(const QString &text, const ExternalConverter &converter)
{
    QString t = converter ? converter(text) : repairDosGreek(text);
    t = repairDosDelta(dropAccents(plainLookAlikes(t)));
    return toEcrCharset(simpleUpper(t));
}

// The repair comes first, on the text as written: upper-casing first would
// turn the DOS small letters that read as Windows small letters (έ is β, ή is
// γ...) and the DOS Δ (ƒ) into capitals that table B no longer recognises.
QString commentTextConversion(const QString &text)
{
    QString t = simpleUpper(plainLookAlikes(repairDosGreek(text)));
    t = repairDosDelta(dropAccents(t));
    return toEcrCharset(simpleUpper(t));
}

} // namespace dravimo::greek
