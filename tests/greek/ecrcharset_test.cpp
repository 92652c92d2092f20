#include "greek/cp1253.h"
#include "greek/ecrcharset.h"

#include <gtest/gtest.h>

using namespace dravimo;

namespace {
QByteArray tableABytes(const QString &text)
{
    return cp1253::encode(greek::toEcrCharset(text));
}
QString tableBFromBytes(const QByteArray &bytes)
{
    return greek::repairDosMisreading(cp1253::decode(bytes));
}
} // namespace

TEST(EcrCharsetTableA, SouvlakiBecomesTheEcrBytes)
{
    EXPECT_EQ(tableABytes(QStringLiteral("ΣΟΥΒΛΑΚΙ")), QByteArray("\x66\x4F\x59\x42\x88\x41\x4B\x49"));
}

TEST(EcrCharsetTableA, SixtyFourRowsAndTheLettersItLeavesOut)
{
    EXPECT_EQ(greek::tableA().size(), 64);
    EXPECT_EQ(tableABytes(QStringLiteral("ΓΔΘΛΞΠΦΨΩ")), QByteArray("\x85\x86\x87\x88\x89\x8A\x8B\x8C\x8D"));
    EXPECT_EQ(tableABytes(QStringLiteral("ΆΈΉΊΌΎΏ")), QByteArray("AEHIOY\x8D"));
    EXPECT_EQ(tableABytes(QStringLiteral("άέήίόύϋώω")), QByteArray("\x9B\x9D\x9E\x9F\xA2\xA3\xFB\xFA\xFA"));
    // ϊ, ΐ, ΰ, Ϊ and Ϋ are not in the table: their own Windows-1253 bytes go out.
    EXPECT_EQ(tableABytes(QStringLiteral("ϊΐΰΪΫ")), QByteArray("\xFA\xC0\xE0\xDA\xDB"));
    EXPECT_EQ(tableABytes(QStringLiteral("12%-AB ")), QByteArray("12%-AB "));
}

TEST(EcrCharsetTableB, RepairsDosGreekAndSkipsItsGaps)
{
    EXPECT_EQ(tableBFromBytes(QByteArray("\x80\x81\x82")), QStringLiteral("ΑΒΓ"));
    EXPECT_EQ(tableBFromBytes(QByteArray("\x98\xAA\xAF")), QStringLiteral("αςψ"));
    EXPECT_EQ(tableBFromBytes(QByteArray("\xE0\xE3\xE5\xE7\xE9\xF0")), QStringLiteral("ωήίύώΏ"));
    // 0xE4 and 0xE8 are left as they are (δ and θ in Windows-1253).
    EXPECT_EQ(tableBFromBytes(QByteArray("\xE4\xE8")), QStringLiteral("δθ"));
    EXPECT_EQ(tableBFromBytes(QByteArray("\xB0\xF1")), cp1253::decode(QByteArray("\xB0\xF1")));
}

TEST(EcrCharset, LengthIsAlwaysKept)
{
    QByteArray all;
    for (int b = 1; b < 256; ++b)
        all.append(char(b));
    const QString text = cp1253::decode(all);
    EXPECT_EQ(greek::toEcrCharset(text).size(), text.size());
    EXPECT_EQ(greek::repairDosMisreading(text).size(), text.size());
    EXPECT_TRUE(greek::toEcrCharset(QString()).isEmpty());
}

TEST(EcrCharset, ReadsBackAsGreek)
{
    EXPECT_EQ(greek::fromEcrCharset(greek::toEcrCharset(QStringLiteral("ΣΟΥΒΛΑΚΙ ΦΕΤΑ"))),
              QStringLiteral("ΣOYBΛAKI ΦETA"));
}
