#include "greek/cp1253.h"

#include <gtest/gtest.h>

using namespace dravimo;

TEST(Cp1253, EveryByteRoundTrips)
{
    QByteArray all;
    for (int b = 0; b < 256; ++b)
        all.append(char(b));
    const QString text = cp1253::decode(all);
    ASSERT_EQ(text.size(), 256);
    EXPECT_EQ(cp1253::encode(text), all);
}

TEST(Cp1253, UndefinedBytesBecomeTheirWindowsCharacters)
{
    const struct
    {
        unsigned char byte;
        char16_t ch;
    } cases[] = {
        {0x81, 0x0081}, {0x88, 0x0088}, {0x8A, 0x008A}, {0x8C, 0x008C}, {0x90, 0x0090},
        {0x98, 0x0098}, {0x9A, 0x009A}, {0x9F, 0x009F}, {0xAA, 0xF8F9},
    };
    for (const auto &c : cases)
        EXPECT_EQ(cp1253::fromByte(c.byte).unicode(), c.ch) << int(c.byte);
}

TEST(Cp1253, GreekLettersAndTheCommandBytes)
{
    EXPECT_EQ(cp1253::decode(QByteArray("\xD3\xCF\xD5", 3)), QStringLiteral("ΣΟΥ"));
    EXPECT_EQ(cp1253::encode(QStringLiteral("Καφές")), QByteArray("\xCA\xE1\xF6\xDD\xF2"));
    // The alphanumeric-code command carries U+008D and U+2020 as 0x8D 0x86.
    EXPECT_EQ(cp1253::encode(QString(QChar(0x008D)) + QChar(0x2020)), QByteArray("\x8D\x86"));
    // Outside the code page: a question mark, never a dropped character.
    EXPECT_EQ(cp1253::encode(QStringLiteral("a\u4E2Db")), QByteArray("a?b"));
}
