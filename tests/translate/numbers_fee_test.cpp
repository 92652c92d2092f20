// Decimal normalisation, amount digits and the environmental-fee check.
#include "translate_fixture.h"

#include "core/files.h"
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

namespace {

// One row: a line with an amount as a host may write it, and what reaches
// the register. Empty `expected` with `refused` set: the line is refused.
struct AmountCase
{
    const char *name;
    QString line;
    QStringList expected;
    bool refused = false;
};

void PrintTo(const AmountCase &c, std::ostream *os)
{
    *os << c.name;
}

class AmountsAsWritten : public TranslateTest, public ::testing::WithParamInterface<AmountCase>
{};

const QString kQ = QStringLiteral(" [quiet]");

QString sale(const QString &quantity, const QString &price)
{
    return pluLine({{}, QStringLiteral("WATER"), quantity, price, QStringLiteral("13"), {}});
}

QString modLine(const QString &value)
{
    return put(codeLine(QStringLiteral("mod"), value), 17, QStringLiteral("OFFER"));
}

QString toLine(const QString &amount)
{
    return put(put(QStringLiteral(" tot"), 8, QStringLiteral("1")), 11, amount.rightJustified(9, QLatin1Char(' ')));
}

// Each amount-bearing line kind with two decimals, one, none, more than the
// register takes, a decimal comma, and a sign. One decimal is the value as
// written (12.5 is 12,50); a bare integer keeps its meaning (whole units in
// a sale's price and quantity, cents elsewhere); a digit beyond the cent (the
// thousandth, in a quantity) refuses the line.
TEST_P(AmountsAsWritten, ReachTheRegisterAsWritten)
{
    const AmountCase &c = GetParam();
    runLines({c.line});
    QStringList sent;
    for (const QString &command : ecr_.commandsWithQuiet())
        if (!command.startsWith(QLatin1String("KXSTAT")))
            sent << command;
    EXPECT_EQ(sent, c.expected);
    EXPECT_EQ(job().state.lineRefused, c.refused);
    const auto result = readTextFile(path(QStringLiteral("Result")));
    if (c.refused) {
        ASSERT_EQ(window_.boxes.size(), 1);
        ASSERT_TRUE(result);
        EXPECT_EQ(*result,
                  QStringLiteral("Err = -8, [") + c.line.trimmed() + QStringLiteral("] DateTime = ") + kFixedDate
                      + QStringLiteral("\r\n"));
    } else {
        EXPECT_TRUE(window_.boxes.isEmpty());
        EXPECT_FALSE(result && result->contains(QStringLiteral("Err = ")));
    }
}

const QString kSt = QStringLiteral("KXST");
const QString kMinus = QStringLiteral("KX- ");
const QString kWater = QStringLiteral("KX150R2WATER");

INSTANTIATE_TEST_SUITE_P(
    Translate, AmountsAsWritten,
    ::testing::Values(
        AmountCase{"PriceTwoDecimals", sale(QStringLiteral("1"), QStringLiteral("1.50")), {kWater}},
        AmountCase{"PriceOneDecimal", sale(QStringLiteral("1"), QStringLiteral("1.5")), {kWater}},
        AmountCase{
            "PriceBareInteger", sale(QStringLiteral("1"), QStringLiteral("3")), {QStringLiteral("KX300R2WATER")}},
        AmountCase{"PriceZerosBeyondTheCent", sale(QStringLiteral("1"), QStringLiteral("1.500")), {kWater}},
        AmountCase{"PriceThreeDecimals", sale(QStringLiteral("1"), QStringLiteral("1.505")), {}, true},
        AmountCase{"PriceComma", sale(QStringLiteral("1"), QStringLiteral("1,5")), {kWater}},
        AmountCase{"PriceSign", sale(QStringLiteral("1"), QStringLiteral("-1.5")), {kMinus, kWater}},
        AmountCase{"QuantityTwoDecimals",
                   sale(QStringLiteral("0.25"), QStringLiteral("1.50")),
                   {QStringLiteral("KX0.25* ") + kQ, kWater}},
        AmountCase{"QuantityOneDecimal",
                   sale(QStringLiteral("0.5"), QStringLiteral("1.50")),
                   {QStringLiteral("KX0.5* ") + kQ, kWater}},
        AmountCase{"QuantityBareInteger",
                   sale(QStringLiteral("2"), QStringLiteral("1.50")),
                   {QStringLiteral("KX2.000* ") + kQ, kWater}},
        AmountCase{"QuantityZerosBeyondTheThousandth",
                   sale(QStringLiteral("0.3330"), QStringLiteral("1.50")),
                   {QStringLiteral("KX0.333* ") + kQ, kWater}},
        AmountCase{"QuantityFourDecimals", sale(QStringLiteral("0.3333"), QStringLiteral("1.50")), {}, true},
        AmountCase{"QuantityComma",
                   sale(QStringLiteral("0,5"), QStringLiteral("1.50")),
                   {QStringLiteral("KX0.5* ") + kQ, kWater}},
        AmountCase{"QuantitySign",
                   sale(QStringLiteral("-2"), QStringLiteral("1.50")),
                   {kMinus, QStringLiteral("KX2.000* ") + kQ, kWater}},
        AmountCase{"DiscountTwoDecimals",
                   codeLine(QStringLiteral("dis"), QStringLiteral("1.50")),
                   {kSt + kQ, kSt, kMinus, QStringLiteral("KX150GE")}},
        AmountCase{"DiscountOneDecimal",
                   codeLine(QStringLiteral("dis"), QStringLiteral("1.5")),
                   {kSt + kQ, kSt, kMinus, QStringLiteral("KX150GE")}},
        AmountCase{"DiscountBareIntegerIsCents",
                   codeLine(QStringLiteral("dis"), QStringLiteral("150")),
                   {kSt + kQ, kSt, kMinus, QStringLiteral("KX150GE")}},
        AmountCase{"DiscountThreeDecimals", codeLine(QStringLiteral("dis"), QStringLiteral("1.505")), {}, true},
        AmountCase{"DiscountComma",
                   codeLine(QStringLiteral("dis"), QStringLiteral("1,5")),
                   {kSt + kQ, kSt, kMinus, QStringLiteral("KX150GE")}},
        AmountCase{"DiscountSignIsASurcharge",
                   codeLine(QStringLiteral("dis"), QStringLiteral("-1.5")),
                   {kSt, QStringLiteral("KX150GE")}},
        AmountCase{"ModifierTwoDecimals", modLine(QStringLiteral("2.50")), {QStringLiteral("KX250GEOFFER")}},
        AmountCase{"ModifierOneDecimal", modLine(QStringLiteral("2.5")), {QStringLiteral("KX250GEOFFER")}},
        AmountCase{"ModifierBareIntegerIsCents", modLine(QStringLiteral("250")), {QStringLiteral("KX250GEOFFER")}},
        AmountCase{"ModifierThreeDecimals", modLine(QStringLiteral("2.555")), {}, true},
        AmountCase{"ModifierComma", modLine(QStringLiteral("2,5")), {QStringLiteral("KX250GEOFFER")}},
        AmountCase{"ModifierSign", modLine(QStringLiteral("-1.5")), {kMinus, QStringLiteral("KX150GEOFFER")}},
        AmountCase{"PercentTwoDecimals", modLine(QStringLiteral("5.50%")), {QStringLiteral("KX550% OFFER")}},
        AmountCase{"PercentOneDecimal", modLine(QStringLiteral("5.5%")), {QStringLiteral("KX550% OFFER")}},
        AmountCase{"PercentBareInteger", modLine(QStringLiteral("5%")), {QStringLiteral("KX5% OFFER")}},
        AmountCase{"PercentThreeDecimals", modLine(QStringLiteral("5.555%")), {}, true},
        AmountCase{"PercentComma", modLine(QStringLiteral("5,5%")), {QStringLiteral("KX550% OFFER")}},
        AmountCase{"PercentSign", modLine(QStringLiteral("-1.5%")), {kMinus, QStringLiteral("KX150% OFFER")}},
        AmountCase{"PaymentTwoDecimals", toLine(QStringLiteral("12.50")), {kSt + kQ, QStringLiteral("KX1250T1")}},
        AmountCase{"PaymentOneDecimal", toLine(QStringLiteral("12.5")), {kSt + kQ, QStringLiteral("KX1250T1")}},
        AmountCase{"PaymentBareIntegerIsCents", toLine(QStringLiteral("1250")), {kSt + kQ, QStringLiteral("KX1250T1")}},
        AmountCase{"PaymentThreeDecimals", toLine(QStringLiteral("12.505")), {}, true},
        AmountCase{"PaymentComma", toLine(QStringLiteral("12,5")), {kSt + kQ, QStringLiteral("KX1250T1")}},
        AmountCase{"PaymentSignIsRefused", toLine(QStringLiteral("-12.5")), {}, true}),
    [](const ::testing::TestParamInfo<AmountCase> &info) { return std::string(info.param.name); });

} // namespace
