// Sale lines: the "PLU" handler and the item-sale branch of sendOperation.
#include "translate_fixture.h"

using namespace dravimo;
using namespace dravimo::test;

namespace {

const QString kQ = QStringLiteral(" [quiet]");
// The description field is 24 wide; the sale commands that do not trim it
// carry it whole.
const QString kWater24 = QStringLiteral("WATER").leftJustified(24, QLatin1Char(' '));

struct SaleCase
{
    const char *name;
    Plu plu;
    std::function<void(TranslationOptions &, JobState &)> setUp;
    QStringList expected;
};

void PrintTo(const SaleCase &c, std::ostream *os)
{
    *os << c.name;
}

void plain(TranslationOptions &, JobState &)
{}

QString water(const QString &quantity, const QString &price, const QString &rate = QStringLiteral("13"))
{
    return pluLine({{}, QStringLiteral("WATER"), quantity, price, rate, {}});
}

class SaleLines : public TranslateTest, public ::testing::WithParamInterface<SaleCase>
{};

TEST_P(SaleLines, SendExactlyTheseCommands)
{
    const SaleCase &c = GetParam();
    JobState state;
    c.setUp(settings_, state);
    job().state = state;
    EXPECT_EQ(runLines({pluLine(c.plu)}), c.expected);
    EXPECT_TRUE(window_.boxes.isEmpty());
}

const Plu kWater{{}, QStringLiteral("WATER"), QStringLiteral("2"), QStringLiteral("1.50"), QStringLiteral("13"), {}};

Plu with(Plu p, void (*change)(Plu &))
{
    change(p);
    return p;
}

INSTANTIATE_TEST_SUITE_P(
    Translate, SaleLines,
    ::testing::Values(
        // Quantity 2, 1.50 at 13 % (category 2): the quantity command, then the sale.
        SaleCase{"WorkedExample", kWater, plain, {QStringLiteral("KX2.000* ") + kQ, QStringLiteral("KX150R2WATER")}},
        SaleCase{"QuantityOneSendsNoQuantityCommand",
                 with(kWater, [](Plu &p) { p.quantity = QStringLiteral("1"); }),
                 plain,
                 {QStringLiteral("KX150R2WATER")}},
        SaleCase{"HalfQuantity",
                 with(kWater, [](Plu &p) { p.quantity = QStringLiteral("0.500"); }),
                 plain,
                 {QStringLiteral("KX0.500* ") + kQ, QStringLiteral("KX150R2WATER")}},
        SaleCase{"NegativeQuantityUsesTheMinusKey",
                 with(kWater, [](Plu &p) { p.quantity = QStringLiteral("-2"); }),
                 plain,
                 {QStringLiteral("KX- "), QStringLiteral("KX2.000* ") + kQ, QStringLiteral("KX150R2WATER")}},
        SaleCase{"NegativePriceIsARefund",
                 with(kWater, [](Plu &p) { p.price = QStringLiteral("-1.50"); }),
                 plain,
                 {QStringLiteral("KX- "), QStringLiteral("KX2.000* ") + kQ, QStringLiteral("KX150R2WATER")}},
        SaleCase{"BothNegativeSendOneMinusKey",
                 with(kWater,
                      [](Plu &p) {
                          p.quantity = QStringLiteral("-2");
                          p.price = QStringLiteral("-1.50");
                      }),
                 plain,
                 {QStringLiteral("KX- "), QStringLiteral("KX2.000* ") + kQ, QStringLiteral("KX150R2WATER")}},
        SaleCase{"BlankRateMatchesTheZeroRate",
                 with(kWater, [](Plu &p) { p.rate = QString(); }),
                 plain,
                 {QStringLiteral("KX2.000* ") + kQ, QStringLiteral("KX150R4WATER")}},
        SaleCase{"RateWithDecimalsAndComma",
                 with(kWater, [](Plu &p) { p.rate = QStringLiteral("24,0"); }),
                 plain,
                 {QStringLiteral("KX2.000* ") + kQ, QStringLiteral("KX150R3WATER")}},
        SaleCase{"BareIntegerPriceGainsTwoDecimals",
                 with(kWater, [](Plu &p) { p.price = QStringLiteral("3"); }),
                 plain,
                 {QStringLiteral("KX2.000* ") + kQ, QStringLiteral("KX300R2WATER")}},
        SaleCase{"CommaPriceOnAPointSystem",
                 with(kWater, [](Plu &p) { p.price = QStringLiteral("12,5"); }),
                 plain,
                 {QStringLiteral("KX2.000* ") + kQ, QStringLiteral("KX1250R2WATER")}},
        SaleCase{"DescriptionStartingWithADigitGetsASpace",
                 with(kWater, [](Plu &p) { p.description = QStringLiteral("7UP"); }),
                 plain,
                 {QStringLiteral("KX2.000* ") + kQ, QStringLiteral("KX150R2 7UP")}},
        SaleCase{"DescriptionsAreUpperCased",
                 with(kWater, [](Plu &p) { p.description = QStringLiteral("water"); }),
                 plain,
                 {QStringLiteral("KX2.000* ") + kQ, QStringLiteral("KX150R2WATER")}},
        SaleCase{"NoDescriptionWhenSwitchedOff",
                 kWater,
                 [](TranslationOptions &s, JobState &) { s.printDescriptions = false; },
                 {QStringLiteral("KX2.000* ") + kQ, QStringLiteral("KX150R2")}},
        SaleCase{"TableTransferForcesQuantityOne",
                 kWater,
                 [](TranslationOptions &, JobState &j) { j.tableTransfer = true; },
                 {QStringLiteral("KXTRF"), QStringLiteral("KXPA150R2WATER"), QStringLiteral("KXTRFOK")}},
        SaleCase{"PaymentTransferKeepsTheQuantity",
                 kWater,
                 [](TranslationOptions &, JobState &j) { j.paymentTransfer = true; },
                 {QStringLiteral("KX2.000* ") + kQ, QStringLiteral("KXTRF"), QStringLiteral("KXPA150R2WATER"),
                  QStringLiteral("KXTRFOK")}},
        SaleCase{"KeyboardLockedSale",
                 kWater,
                 [](TranslationOptions &s, JobState &) { s.keyboardLocked = true; },
                 {QStringLiteral("KX2PL"), QStringLiteral("KX300AC") + kWater24}},
        SaleCase{"KeyboardLockedRefund",
                 with(kWater, [](Plu &p) { p.price = QStringLiteral("-1.50"); }),
                 [](TranslationOptions &s, JobState &) { s.keyboardLocked = true; },
                 {QStringLiteral("KX- "), QStringLiteral("KX2PL"), QStringLiteral("KX300AC") + kWater24}},
        // Codes: no quantity command but the line's total as the price, the
        // description untrimmed and without the leading-digit space.
        SaleCase{"AlphanumericCodeBeforeTheSale",
                 with(kWater,
                      [](Plu &p) {
                          p.code = QStringLiteral("AB12");
                          p.price = QStringLiteral("-1.50");
                          p.description = QStringLiteral("7UP");
                      }),
                 [](TranslationOptions &s, JobState &) { s.itemCodes = ItemCodes::Alphanumeric; },
                 {bytes("KX10PLK\x8D\x86:") + QStringLiteral("AB12          "), QStringLiteral("KX- "),
                  QStringLiteral("KX300R2") + QStringLiteral("7UP").leftJustified(24, QLatin1Char(' '))}},
        SaleCase{"NumericCodeAfterTheSale",
                 with(kWater, [](Plu &p) { p.code = QStringLiteral("123"); }),
                 [](TranslationOptions &s, JobState &) { s.itemCodes = ItemCodes::Numeric; },
                 {QStringLiteral("KX300R2") + kWater24, QStringLiteral("KX123AC")}},
        // Half a unit at 0,15 is 0,075: rounded half away from zero, as the
        // register rounds a quantity sale.
        SaleCase{"CodeLineTotalRoundsAsTheRegister",
                 with(kWater,
                      [](Plu &p) {
                          p.code = QStringLiteral("123");
                          p.quantity = QStringLiteral("0.5");
                          p.price = QStringLiteral("0.15");
                      }),
                 [](TranslationOptions &s, JobState &) { s.itemCodes = ItemCodes::Numeric; },
                 {QStringLiteral("KX8R2") + kWater24, QStringLiteral("KX123AC")}},
        // A symbol written out takes the field's padding, not more room.
        SaleCase{"SymbolWrittenOutKeepsTheFieldWidth",
                 with(kWater,
                      [](Plu &p) {
                          p.code = QStringLiteral("123");
                          p.quantity = QStringLiteral("1");
                          p.description = QStringLiteral("COCA COLA 0,5L €");
                      }),
                 [](TranslationOptions &s, JobState &) { s.itemCodes = ItemCodes::Numeric; },
                 {QStringLiteral("KX150R2COCA COLA 0,5L EUR      "), QStringLiteral("KX123AC")}},
        SaleCase{"NumericCodeKeyboardLocked",
                 with(kWater, [](Plu &p) { p.code = QStringLiteral("123"); }),
                 [](TranslationOptions &s, JobState &) {
                     s.itemCodes = ItemCodes::Numeric;
                     s.keyboardLocked = true;
                 },
                 {QStringLiteral("KX2PL"), QStringLiteral("KX300AC") + kWater24, QStringLiteral("KX123AC")}},
        SaleCase{"DirectDepartmentFromTheLine",
                 with(kWater,
                      [](Plu &p) {
                          p.rate = QStringLiteral("99");
                          p.department = QStringLiteral("7");
                      }),
                 [](TranslationOptions &s, JobState &) { s.departmentFromLine = true; },
                 {QStringLiteral("KX2.000* ") + kQ, QStringLiteral("KX150R7WATER")}},
        SaleCase{"FeeMarkerPicksItsDepartment",
                 with(kWater, [](Plu &p) { p.description = QStringLiteral("BAG ΛΠΣΜ-05"); }),
                 plain,
                 {QStringLiteral("KX2.000* ") + kQ, QStringLiteral("KX150R5BAG ") + bytes("\x88\x8A\x66M-05")}},
        SaleCase{"FeeMarkerIgnoredWithDirectDepartments",
                 with(kWater, [](Plu &p) { p.description = QStringLiteral("BAG ΛΠΣΜ-05"); }),
                 [](TranslationOptions &s, JobState &) { s.departmentFromLine = true; },
                 {QStringLiteral("KX2.000* ") + kQ, QStringLiteral("KX150R2BAG ") + bytes("\x88\x8A\x66M-05")}},
        // pos21 puts the quantity in front of the description, cut to 20.
        SaleCase{"Pos21QuantityInTheDescription",
                 with(kWater,
                      [](Plu &p) {
                          p.quantity = QStringLiteral("3");
                          p.description = QStringLiteral("COFFEE");
                      }),
                 [](TranslationOptions &s, JobState &) {
                     s.ecrModel = EcrModel::Pos21;
                     s.quantityInDescription = true;
                 },
                 {QStringLiteral("KX3.000* ") + kQ, QStringLiteral("KX150R2 3* COFFEE")}},
        SaleCase{"Pos21FractionalQuantity",
                 with(kWater,
                      [](Plu &p) {
                          p.quantity = QStringLiteral("0.250");
                          p.description = QStringLiteral("CHEESE BY THE KILO");
                      }),
                 [](TranslationOptions &s, JobState &) {
                     s.ecrModel = EcrModel::Pos21;
                     s.quantityInDescription = true;
                 },
                 {QStringLiteral("KX0.250* ") + kQ, QStringLiteral("KX150R2 0,250* CHEESE BY TH")}},
        SaleCase{"Pos21QuantityOneLeavesTheDescription",
                 with(kWater, [](Plu &p) { p.quantity = QStringLiteral("1"); }),
                 [](TranslationOptions &s, JobState &) {
                     s.ecrModel = EcrModel::Pos21;
                     s.quantityInDescription = true;
                 },
                 {QStringLiteral("KX150R2WATER")}},
        SaleCase{"GreekDescriptionInTheEcrCharacterSet",
                 with(kWater,
                      [](Plu &p) {
                          p.quantity = QStringLiteral("1");
                          p.description = QStringLiteral("Καφές φίλτρου");
                      }),
                 plain,
                 {QStringLiteral("KX150R2")
                  + bytes("KA\x8B"
                          "Ef \x8BI\x88TPOY")}}),
    [](const ::testing::TestParamInfo<SaleCase> &info) { return std::string(info.param.name); });

TEST_F(TranslateTest, SixSpacesAtTheEndOfTheLineMeanPriceOne)
{
    QString line = water(QStringLiteral("1"), QString());
    line = line.left(56) + QString(6, QLatin1Char(' '));
    // The rate field lies beyond the end of the line: rate 0, category 4.
    EXPECT_EQ(runLines({line}), QStringList{QStringLiteral("KX100R4WATER")});
}

TEST_F(TranslateTest, NonNumericQuantitySkipsTheLine)
{
    EXPECT_TRUE(runLines({water(QStringLiteral("abc"), QStringLiteral("1.50"))}).isEmpty());
    EXPECT_TRUE(window_.boxes.isEmpty());
}

TEST_F(TranslateTest, NonNumericPriceSkipsTheLine)
{
    EXPECT_TRUE(runLines({water(QStringLiteral("-2"), QStringLiteral("abc"))}).isEmpty());
}

TEST_F(TranslateTest, UnknownRateShowsTheMessageAndSendsNothing)
{
    EXPECT_TRUE(runLines({water(QStringLiteral("2"), QStringLiteral("1.50"), QStringLiteral("99"))}).isEmpty());
    const QString text = QStringLiteral("Ανύπαρκτη κατηγορία ΦΠΑ ").leftJustified(40, QLatin1Char(' '));
    EXPECT_EQ(window_.boxes, (QList<ShownBox>{{text, mb::Exclamation + mb::SystemModal, kDefaultBoxTitle}}));
}

// A blank quantity is quantity 0: the ECR is asked for it and refuses.
TEST_F(TranslateTest, RefusedQuantityStopsTheSaleWithAPlainMessage)
{
    ecr_.answer(QStringLiteral("KX.000* "), 8, QStringLiteral("8"));
    EXPECT_EQ(runLines({water(QString(), QStringLiteral("1.50"))}), QStringList{QStringLiteral("KX.000* ") + kQ});
    EXPECT_EQ(window_.boxes,
              (QList<ShownBox>{
                  {QStringLiteral("Λάθος ποσότητα είδους στην ταμειακή!"), mb::Exclamation, kApplicationTitle}}));
    // The next line is translated as usual.
    ecr_.sent.clear();
    EXPECT_EQ(runLines({water(QStringLiteral("1"), QStringLiteral("1.50"))}),
              QStringList{QStringLiteral("KX150R2WATER")});
}

// With item codes the line's total is the price: one beyond any number the
// program holds refuses the line instead of booking one unit.
TEST_F(TranslateTest, LineTotalBeyondAnyNumberRefusesTheLine)
{
    settings_.itemCodes = ItemCodes::Numeric;
    const QString line = pluLine({QStringLiteral("123"),
                                  QStringLiteral("WATER"),
                                  QStringLiteral("9999999"),
                                  QStringLiteral("999999999"),
                                  QStringLiteral("13"),
                                  {}});
    EXPECT_TRUE(runLines({line}).isEmpty());
    EXPECT_EQ(window_.boxes.size(), 1);
    EXPECT_TRUE(job().state.lineRefused);
}

TEST_F(TranslateTest, TransferStopsAtTheFirstRefusal)
{
    job().state.paymentTransfer = true;
    ecr_.answer(QStringLiteral("KXPA150R2WATER"), 12, QStringLiteral("12"));
    EXPECT_EQ(runLines({water(QStringLiteral("1"), QStringLiteral("1.50"))}),
              (QStringList{QStringLiteral("KXTRF"), QStringLiteral("KXPA150R2WATER")}));
}

TEST_F(TranslateTest, SaleShowsThePrintingState)
{
    runLines({water(QStringLiteral("1"), QStringLiteral("1.50"))});
    EXPECT_EQ(window_.status(), QStringLiteral("Εκτυπωση Ενεργή.. Παρακαλώ Περιμένετε"));
    EXPECT_EQ(window_.caption(), QStringLiteral("Dravimo - Eκτυπώνει"));
    EXPECT_GE(window_.repaints, 1);
}

// The Greek decimal comma: every number of the line is read on it, and the
// commands to the ECR are the same as on a point system.
TEST_F(TranslateTest, CommaSystemSendsTheSameCommands)
{
    useDecimalSeparator(QLatin1Char(','));
    settings_.ecrModel = EcrModel::Pos21;
    settings_.quantityInDescription = true;
    EXPECT_EQ(runLines({water(QStringLiteral("2"), QStringLiteral("1.50")),
                        water(QStringLiteral("1,000"), QStringLiteral("2,5")),
                        water(QStringLiteral("0.5"), QStringLiteral("1"), QStringLiteral("6"))}),
              (QStringList{QStringLiteral("KX2.000* ") + kQ, QStringLiteral("KX150R2 2* WATER"),
                           QStringLiteral("KX250R2WATER"), QStringLiteral("KX0.5* ") + kQ,
                           QStringLiteral("KX100R1 0,5* WATER")}));
}

} // namespace
