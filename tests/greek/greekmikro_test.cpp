#include "greek/cp1253.h"
#include "greek/greekmikro.h"

#include <gtest/gtest.h>

using namespace dravimo;

namespace {
QByteArray tableABytes(const QString &text)
{
    GreekMikro g;
    g.InSring(text, false);
    return cp1253::encode(g.GreekString());
}
QString tableBFromBytes(const QByteArray &bytes)
{
    GreekMikro g;
    g.InSring(cp1253::decode(bytes), true);
    return g.GreekString();
}
} // namespace

TEST(GreekMikroTableA, SouvlakiBecomesTheEcrBytes)
{
    EXPECT_EQ(tableABytes(QStringLiteral("ΣΟΥΒΛΑΚΙ")), QByteArray("\x66\x4F\x59\x42\x88\x41\x4B\x49"));
}

TEST(GreekMikroTableA, SixtyFourRowsAndTheLettersItLeavesOut)
{
    EXPECT_EQ(greek::tableA().size(), 64);
    EXPECT_EQ(tableABytes(QStringLiteral("ΓΔΘΛΞΠΦΨΩ")), QByteArray("\x85\x86\x87\x88\x89\x8A\x8B\x8C\x8D"));
    EXPECT_EQ(tableABytes(QStringLiteral("ΆΈΉΊΌΎΏ")), QByteArray("AEHIOY\x8D"));
    EXPECT_EQ(tableABytes(QStringLiteral("άέήίόύϋώω")), QByteArray("\x9B\x9D\x9E\x9F\xA2\xA3\xFB\xFA\xFA"));
    // ϊ, ΐ, ΰ, Ϊ and Ϋ are not in the table: their own Windows-1253 bytes go out.
    EXPECT_EQ(tableABytes(QStringLiteral("ϊΐΰΪΫ")), QByteArray("\xFA\xC0\xE0\xDA\xDB"));
    EXPECT_EQ(tableABytes(QStringLiteral("12%-AB ")), QByteArray("12%-AB "));
}

TEST(GreekMikroTableB, RepairsDosGreekAndSkipsItsGaps)
{
    EXPECT_EQ(tableBFromBytes(QByteArray("\x80\x81\x82")), QStringLiteral("ΑΒΓ"));
    EXPECT_EQ(tableBFromBytes(QByteArray("\x98\xAA\xAF")), QStringLiteral("αςψ"));
    EXPECT_EQ(tableBFromBytes(QByteArray("\xE0\xE3\xE5\xE7\xE9\xF0")), QStringLiteral("ωήίύώΏ"));
    // 0xE4 and 0xE8 are left as they are (δ and θ in Windows-1253).
    EXPECT_EQ(tableBFromBytes(QByteArray("\xE4\xE8")), QStringLiteral("δθ"));
    EXPECT_EQ(tableBFromBytes(QByteArray("\xB0\xF1")), cp1253::decode(QByteArray("\xB0\xF1")));
}

TEST(GreekMikro, LengthIsAlwaysKept)
{
    QByteArray all;
    for (int b = 1; b < 256; ++b)
        all.append(char(b));
    const QString text = cp1253::decode(all);
    for (bool table : {false, true}) {
        GreekMikro g;
        g.InSring(text, table);
        EXPECT_EQ(g.GreekString().size(), text.size());
    }
    GreekMikro g;
    g.InSring(QString(), false);
    EXPECT_TRUE(g.GreekString().isEmpty());
}

TEST(GreekMikro, EcrCharsetReadsBackAsGreek)
{
    GreekMikro g;
    g.InSring(QStringLiteral("ΣΟΥΒΛΑΚΙ ΦΕΤΑ"), false);
    EXPECT_EQ(greek::fromEcrCharset(g.GreekString()), QStringLiteral("ΣOYBΛAKI ΦETA"));
}
