// The two conversion recipes, the DOS-Greek repair they rely on, and the DOS
// code page itself.
#include "greek/cp1253.h"
#include "greek/cp737.h"
#include "greek/recipes.h"

#include <gtest/gtest.h>

using namespace dravimo;
using namespace dravimo::greek;

namespace {

QByteArray item(const QString &text, const ExternalConverter &converter = {})
{
    return cp1253::encode(itemTextConversion(text, converter));
}

QByteArray comment(const QString &text)
{
    return cp1253::encode(commentTextConversion(text));
}

QString fromBytes(const char *raw)
{
    return cp1253::decode(QByteArray(raw));
}

// With a converter that hands the text back as it is.
TEST(ItemText, RecipeStepsAfterTheConverter)
{
    const auto item = [](const QString &text) { return ::item(text, [](const QString &t) { return t; }); };
    // έ becomes a Latin E before upper-casing; the rest maps through table A.
    EXPECT_EQ(item(QStringLiteral("Καφές")), QByteArray("\x4B\x41\x8B\x45\x66"));
    // ώ becomes Ω, not the Latin O the other accents become.
    EXPECT_EQ(item(QStringLiteral("ώρα")), QByteArray("\x8D\x50\x41"));
    // ϊ and ϋ, which table A does not list, print as the nearest letters.
    EXPECT_EQ(item(QStringLiteral("ϊϋ")), QByteArray("IY"));
    // The DOS Δ that reads as ƒ, in either case.
    EXPECT_EQ(item(fromBytes("\x83") + QChar(u'Ƒ')), QByteArray("\x86\x86"));
    EXPECT_EQ(item(QStringLiteral("abc 12%-")), QByteArray("ABC 12%-"));
    EXPECT_EQ(item(QStringLiteral("ΐΰ")), QByteArray("IY"));
}

TEST(ItemText, TheConverterComesFirst)
{
    EXPECT_EQ(item(QStringLiteral("xy"), [](const QString &t) { return QString(t).replace(QChar(u'x'), QChar(u'ά')); }),
              QByteArray("AY"));
}

// The default converter repairs DOS Greek and leaves Windows Greek alone.
TEST(ItemText, DefaultConverter)
{
    EXPECT_EQ(item(QStringLiteral("Καφές")), QByteArray("\x4B\x41\x8B\x45\x66"));
    EXPECT_EQ(item(QStringLiteral("ώρα")), QByteArray("\x8D\x50\x41"));
    // "έκπτωση" in Windows Greek: table B would read κ as Ά and π as Ώ.
    EXPECT_EQ(item(QStringLiteral("έκπτωση")), QByteArray("EK\x8AT\x8D\x66H"));
    EXPECT_EQ(item(QStringLiteral("ΆΝΝΑ")), QByteArray("ANNA"));
    // ΚΑΦΕΣ and λάδι in the DOS code page.
    EXPECT_EQ(item(fromBytes("\x89\x80\x94\x84\x91")), QByteArray("\x4B\x41\x8B\x45\x66"));
    EXPECT_EQ(item(fromBytes("\xA2\xE1\x9B\xA0")),
              QByteArray("\x88"
                         "A\x86I"));
}

TEST(CommentText, Recipe)
{
    // ΑΒΓ in the DOS code page.
    EXPECT_EQ(comment(fromBytes("\x80\x81\x82")), QByteArray("\x41\x42\x85"));
    // A Windows β is upper-cased, never read as DOS έ.
    EXPECT_EQ(comment(fromBytes("\xE2")), QByteArray("\x42"));
    EXPECT_EQ(comment(QStringLiteral("Καλή όρεξη")), QByteArray("KA\x88H OPE\x89H"));
    // ά upper-cases to Ά, which table B would turn into λ (its DOS reading).
    EXPECT_EQ(comment(QStringLiteral("Καλά")),
              QByteArray("KA\x88"
                         "A"));
    // DOS small letters and the DOS Δ survive: the repair runs before the
    // upper-casing that would make them Windows capitals.
    EXPECT_EQ(comment(fromBytes("\x83\xE2\x9E\xA2\xA9")),
              QByteArray("\x86"
                         "EH\x88"
                         "f"));
    EXPECT_EQ(comment(QStringLiteral("thank you")), QByteArray("THANK YOU"));
}

// Symbols written out can only lengthen a text, and a host's own command
// keeps its length and its bytes.
TEST(GreekRecipes, LengthOfEveryText)
{
    QByteArray all;
    for (int b = 1; b < 256; ++b)
        all.append(char(b));
    const QString text = cp1253::decode(all);
    EXPECT_GE(itemTextConversion(text).size(), text.size());
    EXPECT_GE(commentTextConversion(text).size(), text.size());
    EXPECT_GE(itemTextConversion(cp737::decode(all)).size(), text.size());
    EXPECT_EQ(commandTextConversion(text).size(), text.size());
    EXPECT_EQ(commandTextConversion(QStringLiteral("KXCO ") + fromBytes("\x85")),
              QStringLiteral("KXCO ") + fromBytes("\x85"));
    // Padding makes room for what a symbol grows into.
    EXPECT_EQ(item(QStringLiteral("TEA €    ")), QByteArray("TEA EUR  "));
    EXPECT_TRUE(itemTextConversion(QString()).isEmpty());
    EXPECT_TRUE(commentTextConversion(QString()).isEmpty());
    EXPECT_EQ(simpleUpper(QStringLiteral("ςάΐß")), QStringLiteral("ΣΆΐß"));
}

// Which code page a text is in is decided on the whole text: the letters
// each reading would give are counted, and one symbol cannot flip it; the
// bytes that are everyday Windows symbols count as DOS letters only beside
// other DOS letters. In Windows text every symbol the register has no code
// for goes out as a cashier would key it. The bytes are what a comment or
// footer line sends to the register.
TEST(GreekRecipes, DosGreekIsRecognisedOnTheWholeText)
{
    struct Case
    {
        const char *note;
        QString text;
        bool dos;
        QByteArray ecr;
    };
    const QString nbsp(QChar(0xA0));
    const Case cases[] = {
        // Windows Greek whose letters all lie in α..π, beside one symbol.
        {"footer and a no-break space", QStringLiteral("καλη βδομαδα") + nbsp, false,
         "KA\x88H B\x86OMA\x86"
         "A "},
        {"euro sign", QStringLiteral("καφε €"), false,
         "KA\x8B"
         "E EUR"},
        {"guillemets", QStringLiteral("«λαδι»"), false,
         "\"\x88"
         "A\x86I\""},
        {"curly quotes", QStringLiteral("‘δεκα’ “X”"), false,
         "'\x86"
         "EKA' \"X\""},
        {"ellipsis", QStringLiteral("ναι…"), false, "NAI..."},
        {"en dash", QStringLiteral("κακαο – μελι"), false, "KAKAO - ME\x88I"},
        {"Windows Greek", QStringLiteral("έκπτωση"), false, "EK\x8AT\x8D\x66H"},
        {"Ά alone is no evidence", QStringLiteral("Άννα"), false, "ANNA"},
        {"capitals and a symbol", QStringLiteral("ΚΑΦΕΣ ") + fromBytes("\x80"), false,
         "KA\x8B"
         "Ef EUR"},
        {"no Greek at all", QStringLiteral("WATER 0.5L"), false, "WATER 0.5L"},
        {"empty", QString(), false, ""},
        // Latin text with one symbol is Windows text.
        {"Latin and the euro sign", QStringLiteral("COCA COLA 0,5L €"), false, "COCA COLA 0,5L EUR"},
        {"Latin and an en dash", QStringLiteral("ESPRESSO – DOUBLE"), false, "ESPRESSO - DOUBLE"},
        {"Latin, copyright, registered", QStringLiteral("T-SHIRT ©®"), false, "T-SHIRT (C)(R)"},
        {"Latin, em dash, degree, plus-minus, squared", QStringLiteral("A—B 40° ±2 M²"), false, "A-B 40O +-2 M2"},
        {"Greek and an ellipsis", QStringLiteral("Τοστ…"), false, "TOfT..."},
        // Letters the register cannot print: the nearest it can.
        {"upsilon with dialytika and tonos", QStringLiteral("Ταΰγετος"), false,
         "TAY\x85"
         "ETOf"},
        {"iota with dialytika", QStringLiteral("Προϊόν"), false, "\x8APOION"},
        // DOS Greek, with the symbols of its own page: ° (0xF8), ± (0xF1) and
        // ² (0xFD) read as Windows ψ, ρ and ύ, and are sent as those letters.
        {"DOS capitals", fromBytes("\x89\x80\x94\x84\x91 12.50"), true,
         "KA\x8B"
         "Ef 12.50"},
        {"DOS small letters", fromBytes("\xA1\x98\xAD\xE2\xAA"), true,
         "KA\x8B"
         "Ef"},
        {"DOS text upper-cased before: its έ (Windows β) is lost",
         fromBytes("\xA1\x98\xAD") + QStringLiteral("Β") + fromBytes("\xAA"), true,
         "KA\x8B"
         "Bf"},
        {"degree sign", fromBytes("\x85\x84\x91\x92\x8E 40\xF8"), true, "ZEfTO 40\x8C"},
        {"plus-minus", fromBytes("\x8B\x84 \xF1\x35"), true, "ME P5"},
        {"superscript two", fromBytes("\x89\x93\x81\x8E\x91 \xFD"), true, "KYBOf Y"},
        // A DOS word of two letters, its Α on the byte of €.
        {"DOS word of two letters", fromBytes("\x8C\x80"), true, "NA"},
        // The worked examples: ΑΒΓ in code page 737; a Windows β is read as a
        // letter, never as the DOS έ.
        {"DOS ΑΒΓ", fromBytes("\x80\x81\x82"), true, "\x41\x42\x85"},
        {"Windows β", fromBytes("\xE2"), false, "\x42"},
        // A symbol alone is the symbol; a tie reads as Windows Greek.
        {"lone euro sign", fromBytes("\x80"), false, "EUR"},
        {"lone ellipsis", QStringLiteral("…"), false, "..."},
        {"tie", QStringLiteral("α") + fromBytes("\x81"), false, "A\x81"},
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(c.note);
        EXPECT_EQ(looksLikeDosGreek(c.text), c.dos);
        EXPECT_EQ(comment(c.text), c.ecr);
    }
}

TEST(Cp737, DecodesTheGreekPage)
{
    EXPECT_EQ(cp737::decode(QByteArray("\x80\x97\x98\xAA\xAF\xE0\xE4\xE8\xEA\xF0\xFF AZ")),
              QStringLiteral("ΑΩαςψωϊϋΆΏ\u00A0 AZ"));
    EXPECT_EQ(cp737::decode(QByteArray("\xB0\xC4\xDB")), QStringLiteral("░─█"));
}

TEST(Cp737, OemToAnsiReadsTheBytesAgain)
{
    EXPECT_EQ(cp737::readAsDosGreek(fromBytes("\x8A\x8F\x91\x8B")), QStringLiteral("ΛΠΣΜ"));
    EXPECT_EQ(cp737::readAsDosGreek(QStringLiteral("plain ASCII")), QStringLiteral("plain ASCII"));
    EXPECT_EQ(cp737::readAsDosGreek(QStringLiteral("A") + QChar(u'\0') + QStringLiteral("B")), QStringLiteral("AB"));
}

} // namespace
