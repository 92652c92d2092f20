#include "core/numbers.h"
#include "settings/vats.h"

#include <QFile>
#include <QLocale>
#include <QTemporaryDir>

#include <gtest/gtest.h>

using namespace dravimo;

TEST(Vats, SaveKeepsTheTailOfALongerFile)
{
    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("vats.dat"));
    {
        QFile f(path);
        ASSERT_TRUE(f.open(QIODevice::WriteOnly));
        f.write(QByteArray(48, '\x7F'));
    }
    ASSERT_TRUE(saveVatRates({6.5, 13, 24, 0, 0}, path));
    QFile f(path);
    ASSERT_TRUE(f.open(QIODevice::ReadOnly));
    const QByteArray bytes = f.readAll();
    ASSERT_EQ(bytes.size(), 48);
    EXPECT_EQ(bytes.mid(40), QByteArray(8, '\x7F'));
    // 6.5 as a little-endian double: 0x401A000000000000
    EXPECT_EQ(bytes.left(8), QByteArray("\x00\x00\x00\x00\x00\x00\x1A\x40", 8));
    EXPECT_DOUBLE_EQ(vatRate(1, path), 13.0);
    EXPECT_DOUBLE_EQ(vatRate(2, path), 24.0);
}

TEST(Vats, MissingFileReadsAsZero)
{
    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("vats.dat"));
    EXPECT_EQ(vatRate(0, path), 0.0);
    const auto boxes = loadVatRates(path);
    for (const QString &b : boxes)
        EXPECT_EQ(b, QStringLiteral("0"));
}

TEST(Vats, CollectAcceptsEitherMarkAndRejectsBlanks)
{
    std::array<QString, 5> boxes{QStringLiteral("13.00"), QStringLiteral("6,5"), QStringLiteral("24"),
                                 QStringLiteral("0"), QStringLiteral("0.00")};
    VatRates rates{};
    ASSERT_TRUE(collectVatRates(boxes, rates));
    EXPECT_EQ(boxes[0], QStringLiteral("13,00"));
    EXPECT_DOUBLE_EQ(rates[0], 13.0);
    EXPECT_DOUBLE_EQ(rates[1], 6.5);

    std::array<QString, 5> bad{QStringLiteral("13"), QString(), QStringLiteral("abc"), QStringLiteral("0"),
                               QStringLiteral("0")};
    EXPECT_FALSE(collectVatRates(bad, rates));
}

// Found by fuzzing: shown with 15 digits, the largest rate read back as a
// number too big, and the dialog refused its own boxes.
TEST(Vats, EveryRateTheDialogShowsReadsBackTheSame)
{
    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("vats.dat"));
    const VatRates stored{6.5, 0.1, -1.7976931348623157e308, 6.95335580783622e-309, 24};
    ASSERT_TRUE(saveVatRates(stored, path));
    auto boxes = loadVatRates(path);
    EXPECT_EQ(boxes[0], QLocale::system().toString(6.5));
    VatRates back{};
    ASSERT_TRUE(collectVatRates(boxes, back));
    for (int i = 0; i < 5; ++i)
        EXPECT_EQ(back[i], stored[i]) << i;
}
