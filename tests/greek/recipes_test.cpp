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
    // ϊ and ϋ are upper-cased to letters table A does not list.
    EXPECT_EQ(item(QStringLiteral("ϊϋ")), QByteArray("\xDA\xDB"));
    // The DOS Δ that reads as ƒ, in either case.
    EXPECT_EQ(item(fromBytes("\x83") + QChar(u'Ƒ')), QByteArray("\x86\x86"));
    EXPECT_EQ(item(QStringLiteral("abc 12%-")), QByteArray("ABC 12%-"));
    EXPECT_EQ(item(QStringLiteral("ΐΰ")), QByteArray("\xC0\xE0"));
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

TEST(GreekRecipes, KeepTheLengthOfEveryText)
{
    QByteArray all;
    for (int b = 1; b < 256; ++b)
        all.append(char(b));
    const QString text = cp1253::decode(all);
    EXPECT_EQ(itemTextConversion(text).size(), text.size());
    EXPECT_EQ(commentTextConversion(text).size(), text.size());
    EXPECT_EQ(itemTextConversion(cp737::decode(all)).size(), text.size());
    EXPECT_TRUE(itemTextConversion(QString()).isEmpty());
    EXPECT_TRUE(commentTextConversion(QString()).isEmpty());
    EXPECT_EQ(simpleUpper(QStringLiteral("ςάΐß")), QStringLiteral("ΣΆΐß"));
}

// Which code page a text is in is decided on the whole text: the letters
// each reading would give are counted, and one symbol cannot flip it. The
// bytes are what a comment or footer line sends to the register.
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
         "A\xA0"},
        {"euro sign", QStringLiteral("καφε €"), false,
         "KA\x8B"
         "E \x80"},
        {"guillemets", QStringLiteral("«λαδι»"), false,
         "\xAB\x88"
         "A\x86I\xBB"},
        {"curly quotes", QStringLiteral("‘δεκα’"), false,
         "\x91\x86"
         "EKA\x92"},
        {"ellipsis", QStringLiteral("ναι…"), false, "NAI\x85"},
        {"en dash", QStringLiteral("κακαο – μελι"), false, "KAKAO \x96 ME\x88I"},
        {"Windows Greek", QStringLiteral("έκπτωση"), false, "EK\x8AT\x8D\x66H"},
        {"Ά alone is no evidence", QStringLiteral("Άννα"), false, "ANNA"},
        {"capitals and a symbol", QStringLiteral("ΚΑΦΕΣ ") + fromBytes("\x80"), false,
         "KA\x8B"
         "Ef \x80"},
        {"no Greek at all", QStringLiteral("WATER 0.5L"), false, "WATER 0.5L"},
        {"empty", QString(), false, ""},
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
        // The worked examples: ΑΒΓ in code page 737; a Windows β is read as a
        // letter, never as the DOS έ.
        {"DOS ΑΒΓ", fromBytes("\x80\x81\x82"), true, "\x41\x42\x85"},
        {"Windows β", fromBytes("\xE2"), false, "\x42"},
        // Undecidable: a lone symbol reads as the DOS letter at its place; a
        // tie reads as Windows Greek.
        {"lone euro sign", fromBytes("\x80"), true, "A"},
        {"lone ellipsis", QStringLiteral("…"), true, "Z"},
        {"tie", QStringLiteral("α€"), false, "A\x80"},
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
