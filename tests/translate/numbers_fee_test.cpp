// Decimal normalisation, amount digits and the environmental-fee check.
#include "translate_fixture.h"

#include "translate/amounts.h"
#include "translate/envfee.h"

using namespace dravimo;
using namespace dravimo::test;

namespace {

TEST_F(TranslateTest, DecimalNormalisationOnAPointSystem)
{
    struct Case
    {
        const char *value;
        int decimals;
        const char *expected;
    };
    const Case cases[] = {
        {"5", 3, "5.000"}, {"5", -1, "5.00"}, {"5", 2, "5.00"},    {"", 3, ".000"},
        {"1,5", 3, "1.5"}, {"1.5", 3, "1.5"}, {"-2", 3, "-2.000"}, {"1,000,5", -1, "1.000.5"},
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(c.value);
        EXPECT_EQ(normalizeDecimal(QString::fromLatin1(c.value), c.decimals, session_.numbers),
                  QString::fromLatin1(c.expected));
    }
}

TEST_F(TranslateTest, DecimalNormalisationOnACommaSystem)
{
    useDecimalSeparator(QLatin1Char(','));
    struct Case
    {
        const char *value;
        int decimals;
        const char *expected;
    };
    const Case cases[] = {
        {"5", 3, "5,000"}, {"5", -1, "5,00"}, {"", 3, ",000"},
        {"1.5", 3, "1,5"}, {"1,5", 3, "1,5"}, {"-0.25", -1, "-0,25"},
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(c.value);
        EXPECT_EQ(normalizeDecimal(QString::fromLatin1(c.value), c.decimals, session_.numbers),
                  QString::fromLatin1(c.expected));
    }
}

TEST_F(TranslateTest, CalcLeavesWholeCents)
{
    QString price = QStringLiteral(" 12.50 ");
    QString discount = QStringLiteral("1,234.5 0");
    QString addon = QStringLiteral("   ");
    stripAmountMarks(price, discount, addon);
    EXPECT_EQ(price, QStringLiteral("1250"));
    EXPECT_EQ(discount, QStringLiteral("123450"));
    EXPECT_EQ(addon, QString());
    QString zero = QStringLiteral(" 0 ");
    stripAmountMarks(zero, discount, addon);
    EXPECT_EQ(zero, QStringLiteral("0"));
}

TEST_F(TranslateTest, PriceInCents)
{
    EXPECT_EQ(priceInCents(QStringLiteral("12.5"), session_.numbers), 1250);
    EXPECT_EQ(priceInCents(QStringLiteral("1.15"), session_.numbers), 115); // 114.999... in binary
    EXPECT_EQ(priceInCents(QStringLiteral("-0.10"), session_.numbers), -10);
    EXPECT_EQ(priceInCents(QStringLiteral("abc"), session_.numbers), std::nullopt);
    useDecimalSeparator(QLatin1Char(','));
    EXPECT_EQ(priceInCents(QStringLiteral("2,35"), session_.numbers), 235);
}

TEST_F(TranslateTest, FeeMarkerForms)
{
    // The marker typed in the DOS code page and read as Windows-1253.
    const QString dosMarker = cp1253::decode(QByteArray("\x8A\x8F\x91\x8B"));
    const QString dosMarkerLatinM = cp1253::decode(QByteArray("\x8A\x8F\x91")) + QLatin1Char('M');
    struct Case
    {
        QString description;
        QString expected;
    };
    const Case cases[] = {
        {QStringLiteral("ΣΑΚΟΥΛΑ ΛΠΣΜ-05"), QStringLiteral("5")},
        {QStringLiteral("ΣΑΚΟΥΛΑ ΛΠΣΜ-07   "), QStringLiteral("7")},
        {QStringLiteral("ΣΑΚΟΥΛΑ ΛΠΣΜ-12"), QStringLiteral("12")},
        {QStringLiteral("ΣΑΚΟΥΛΑ ΛΠΣΜ"), QStringLiteral("8")},
        {QStringLiteral("ΣΑΚΟΥΛΑ ΛΠΣΜ-AB"), QStringLiteral("8")},
        {QStringLiteral("ΣΑΚΟΥΛΑ ΛΠΣΜ 05"), QStringLiteral("8")},
        {QStringLiteral("ΣΑΚΟΥΛΑ ΛΠΣM-06"), QStringLiteral("6")}, // Latin M
        {QStringLiteral("ΛΠΣΜ-03 ΛΠΣM-06"), QStringLiteral("3")}, // the Greek form is looked for first
        {QStringLiteral("BAG ") + dosMarker + QStringLiteral("-04"), QStringLiteral("4")},
        {QStringLiteral("BAG ") + dosMarkerLatinM, QStringLiteral("8")},
        {QStringLiteral("ΣΑΚΟΥΛΑ"), QStringLiteral("2")},
        {QStringLiteral("λπσμ-05"), QStringLiteral("2")}, // the marker is written in capitals
        {QString(), QStringLiteral("2")},
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(c.description.toStdString());
        EXPECT_EQ(feeCategory(c.description, QStringLiteral("2"), session_.numbers), c.expected);
    }
}

} // namespace
