// Whole receipts as the program sends them, and the register's refusals.
#include "simtest.h"

#include "sim/money.h"

using namespace dravimo;
using namespace dravimo::sim;
using namespace dravimo::sim::test;

namespace {

class Receipt : public ::testing::Test
{
protected:
    void SetUp() override { control(sim, QStringLiteral("date \"08/12/2026 10:00\"")); }

    ScaledClock clock;
    EcrSimulator sim{clock};
};

// The worked example of a receipt: two items, a quantity, an item discount, a
// comment, a discount on the subtotal and a cash payment with change.
TEST_F(Receipt, WholeReceiptLeavesRollAndTotals)
{
    run(sim,
        {QStringLiteral("KXCL"), QStringLiteral("KXCL"), QStringLiteral("KX2.000* "), QStringLiteral("KX150R2WATER"),
         QStringLiteral("KX- "), QStringLiteral("KX1000% ") + cp1253::decode("\x85\x41\x8A\x41"),
         QStringLiteral("KX350R1") + cp1253::decode("fOY\x42\x88\x41KI"),
         QStringLiteral("KXCO ") + cp1253::decode("\x86OKIMH"), QStringLiteral("KXST"), QStringLiteral("KXST"),
         QStringLiteral("KX- "), QStringLiteral("KX50GE"), QStringLiteral("KXST"), QStringLiteral("KX1000T1")});

    const QStringList expected{
        QStringLiteral("----------------------------"),
        QStringLiteral("     ΚΑΤΑΣΤΗΜΑ ΔΟΚΙΜΩΝ"),
        QStringLiteral("       ΑΦΜ 000000000"),
        QStringLiteral("     ΑΠΟΔΕΙΞΗ ΛΙΑΝΙΚΗΣ"),
        QStringLiteral("08/12/2026 10:00"),
        QStringLiteral("----------------------------"),
        QStringLiteral("  2,000 x 1,50"),
        QStringLiteral("WATER                 3,00 Β"),
        QStringLiteral("\u0393A\u03A0A"), // the register prints the Latin look-alikes as they came
        QStringLiteral("ΕΚΠΤΩΣΗ 10,00%       -0,30 Β"),
        QStringLiteral("\u03A3OYB\u039BAKI              3,50 Α"),
        QStringLiteral("\u0394OKIMH"),
        QStringLiteral("ΜΕΡΙΚΟ ΣΥΝΟΛΟ           6,20"),
        QStringLiteral("ΜΕΡΙΚΟ ΣΥΝΟΛΟ           6,20"),
        QStringLiteral("ΕΚΠΤΩΣΗ                -0,50"),
        QStringLiteral("ΝΕΟ ΥΠΟΣΥΝΟΛΟ           5,70"),
        QStringLiteral("ΜΕΡΙΚΟ ΣΥΝΟΛΟ           5,70"),
        QStringLiteral("ΣΥΝΟΛΟ                  5,70"),
        QStringLiteral("ΜΕΤΡΗΤΑ                10,00"),
        QStringLiteral("ΡΕΣΤΑ                   4,30"),
        // 0,50 shared out in proportion: 3,50 of 6,20 is category Α's.
        QStringLiteral("ΚΑΤ. Α 24,00%           3,22"),
        QStringLiteral("  ΦΠΑ                   0,62"),
        QStringLiteral("ΚΑΤ. Β 13,00%           2,48"),
        QStringLiteral("  ΦΠΑ                   0,29"),
        QStringLiteral("ΑΡ. ΑΠΟΔΕΙΞΗΣ              1"),
        QStringLiteral("Ζ ΑΡ.                  00001"),
        QStringLiteral("08/12/2026 10:00"),
        QStringLiteral("     ΕΥΧΑΡΙΣΤΟΥΜΕ ΠΟΛΥ"),
        QStringLiteral("============================"),
    };
    EXPECT_EQ(sim.roll().lines().join(QLatin1Char('\n')).toStdString(), expected.join(QLatin1Char('\n')).toStdString());

    const Counters &day = sim.ecr().day();
    EXPECT_EQ(day.receipts, 1);
    EXPECT_EQ(day.total(), 570);
    EXPECT_EQ(day.byPayment.value(1), 570); // 10,00 given, 4,30 back
    EXPECT_EQ(day.discounts, -80);
    EXPECT_EQ(ask(sim, QStringLiteral("KXRE")), QStringLiteral("RE:00001:1\r\x04"));
    EXPECT_EQ(ask(sim, QStringLiteral("KXSTAT")), QStringLiteral("STAT:0\r\x04"));
}

TEST_F(Receipt, EveryLineFitsThePaper)
{
    control(sim, QStringLiteral("price-limit 999999999"));
    run(sim, {QStringLiteral("KX123456789R1A VERY LONG DESCRIPTION OF AN ITEM"), QStringLiteral("KXT1")});
    for (const QString &line : sim.roll().lines())
        EXPECT_LE(line.size(), kPaperWidth) << str(line);
    // Too long to share a line with its amount: the text wraps, the amount
    // goes right-aligned below it.
    const QStringList &lines = sim.roll().lines();
    const qsizetype at = lines.indexOf(QStringLiteral("A VERY LONG DESCRIPTION OF A"));
    ASSERT_GE(at, 0);
    EXPECT_EQ(lines.value(at + 1), QStringLiteral("N ITEM"));
    EXPECT_EQ(lines.value(at + 2), QStringLiteral("1.234.567,89 Α").rightJustified(kPaperWidth));
}

TEST_F(Receipt, StatusFollowsTheReceipt)
{
    EXPECT_EQ(ask(sim, QStringLiteral("KXSTAT")), QStringLiteral("STAT:0\r\x04"));
    run(sim, {QStringLiteral("KX100R1A")});
    EXPECT_EQ(ask(sim, QStringLiteral("KXSTAT")), QStringLiteral("STAT:1\r\x04"));
    run(sim, {QStringLiteral("KX40T1")});
    EXPECT_EQ(ask(sim, QStringLiteral("KXSTAT")), QStringLiteral("STAT:1\r\x04"));
    run(sim, {QStringLiteral("KXT3")});
    EXPECT_EQ(ask(sim, QStringLiteral("KXSTAT")), QStringLiteral("STAT:0\r\x04"));
    EXPECT_EQ(sim.ecr().day().byPayment.value(3), 60);
}

TEST_F(Receipt, ReturnsVoidsAndCancel)
{
    run(sim,
        {QStringLiteral("KX500R1A"), QStringLiteral("KX200R2B"), QStringLiteral("KX- "), QStringLiteral("KX100R2B"),
         QStringLiteral("KXVOID")});
    ASSERT_TRUE(sim.ecr().receipt());
    EXPECT_EQ(sim.ecr().receipt()->ticket.total(), 700);
    run(sim, {QStringLiteral("KX@215T1")}); // voids item 1
    EXPECT_EQ(sim.ecr().receipt()->ticket.total(), 200);
    run(sim, {QStringLiteral("KX@215T0")}); // cancels the receipt
    EXPECT_FALSE(sim.ecr().receipt());
    EXPECT_EQ(sim.ecr().day().cancelled, 1);
    EXPECT_EQ(sim.ecr().day().voids, 2);
    EXPECT_EQ(sim.ecr().receiptNumber(), 0);
}

TEST_F(Receipt, ReturnWithinTheReceiptIsBooked)
{
    run(sim,
        {QStringLiteral("KX500R1A"), QStringLiteral("KX- "), QStringLiteral("KX2.000* "), QStringLiteral("KX100R1B"),
         QStringLiteral("KXT1")});
    EXPECT_EQ(sim.ecr().day().total(), 300);
    EXPECT_EQ(sim.ecr().day().returns, -200);
    EXPECT_TRUE(sim.roll().lines().contains(QStringLiteral("ΕΠΙΣΤΡΟΦΗ")));
}

TEST_F(Receipt, KeyboardDepartmentAndCodeForms)
{
    const QString aCode = QStringLiteral("KX10PLK") + cp1253::decode("\x8d\x86:") + QStringLiteral("00000000012345");
    run(sim,
        {aCode, QStringLiteral("KX2PL"), QStringLiteral("KX250ACWATER"), QStringLiteral("KX0099AC"),
         QStringLiteral("KX3PL"), QStringLiteral("KX100AC")});
    const QStringList &lines = sim.roll().lines();
    EXPECT_TRUE(lines.contains(QStringLiteral("KΩΔ:00000000012345")));
    EXPECT_TRUE(lines.contains(QStringLiteral("WATER                 2,50 Β")));
    EXPECT_TRUE(lines.contains(QStringLiteral("ΚΩΔ: 0099")));
    EXPECT_TRUE(lines.contains(QStringLiteral("TMHMA 3               1,00 Γ")));
    EXPECT_EQ(sim.ecr().receipt()->ticket.total(), 350);
}

// A department outside 1..5 sells outside VAT unless the register was told
// otherwise: the bag levy of department 8, for instance.
TEST_F(Receipt, DepartmentsBeyondFiveFollowTheirCategory)
{
    run(sim, {QStringLiteral("KX10R8BAG"), QStringLiteral("KXT1")});
    EXPECT_TRUE(sim.roll().lines().contains(QStringLiteral("ΕΚΤΟΣ ΦΠΑ               0,10")));
    control(sim, QStringLiteral("department 8 3"));
    run(sim, {QStringLiteral("KX10R8BAG"), QStringLiteral("KXT1")});
    EXPECT_EQ(sim.ecr().day().byVat.value(3), 10);
}

struct Refusal
{
    const char *name;
    QStringList setup;
    QString command;
    QString reply;
};

class Refusals : public ::testing::TestWithParam<Refusal>
{};

TEST_P(Refusals, AnswerWithTheErrorCode)
{
    const Refusal &r = GetParam();
    ScaledClock clock;
    EcrSimulator sim{clock};
    for (const QString &line : r.setup) {
        if (line.startsWith(QLatin1String("!")))
            ASSERT_EQ(sim.control(line.mid(1)).toStdString(), "ok");
        else
            ask(sim, line);
    }
    EXPECT_EQ(ask(sim, r.command).toStdString(), r.reply.toStdString());
}

const QString kSale = QStringLiteral("KX500R1ITEM");

INSTANTIATE_TEST_SUITE_P(
    Register, Refusals,
    ::testing::Values(
        Refusal{"payment_without_receipt", {}, QStringLiteral("KX500T1"), QStringLiteral("DE6")},
        Refusal{"whole_payment_without_receipt", {}, QStringLiteral("KXT1"), QStringLiteral("DE6")},
        Refusal{"subtotal_without_receipt", {}, QStringLiteral("KXST"), QStringLiteral("DE6")},
        Refusal{"card_without_receipt", {}, QStringLiteral("KX500T2P1"), QStringLiteral("DE6")},
        Refusal{"modifier_without_receipt", {}, QStringLiteral("KX100GE"), QStringLiteral("DE6")},
        Refusal{"void_without_receipt", {}, QStringLiteral("KXVOID"), QStringLiteral("DE6")},
        Refusal{"cancel_without_receipt", {}, QStringLiteral("KX@215T0"), QStringLiteral("DE6")},
        Refusal{"price_over_limit", {}, QStringLiteral("KX10000000R1X"), QStringLiteral("DE1091")},
        Refusal{"price_over_lowered_limit",
                {QStringLiteral("!price-limit 1000")},
                QStringLiteral("KX1001R1X"),
                QStringLiteral("DE1091")},
        Refusal{"zero_price", {}, QStringLiteral("KX0R1X"), QStringLiteral("DE1011")},
        Refusal{"blank_quantity", {}, QStringLiteral("KX.000* "), QStringLiteral("DE1005")},
        Refusal{"unknown_department", {}, QStringLiteral("KX100R0X"), QStringLiteral("DE69")},
        Refusal{"department_100", {}, QStringLiteral("KX100R100X"), QStringLiteral("DE69")},
        Refusal{
            "return_below_zero", {kSale, QStringLiteral("KX- ")}, QStringLiteral("KX600R1X"), QStringLiteral("DE1011")},
        Refusal{"sale_after_payment", {kSale, QStringLiteral("KX100T1")}, kSale, QStringLiteral("DE1038")},
        Refusal{"void_after_payment",
                {kSale, QStringLiteral("KX100T1")},
                QStringLiteral("KXVOID"),
                QStringLiteral("DE1038")},
        Refusal{
            "discount_over_item", {kSale, QStringLiteral("KX- ")}, QStringLiteral("KX501GE"), QStringLiteral("DE1044")},
        Refusal{"discount_over_subtotal",
                {kSale, QStringLiteral("KXST"), QStringLiteral("KX- ")},
                QStringLiteral("KX501GE"),
                QStringLiteral("DE1044")},
        Refusal{
            "percent_over_100", {kSale, QStringLiteral("KX- ")}, QStringLiteral("KX10001% "), QStringLiteral("DE1044")},
        Refusal{"zero_modifier", {kSale}, QStringLiteral("KX0GE"), QStringLiteral("DE52")},
        Refusal{"overpay_by_card_payment", {kSale}, QStringLiteral("KX600T2"), QStringLiteral("DE1011")},
        Refusal{"card_over_remaining", {kSale}, QStringLiteral("KX600T2P1"), QStringLiteral("DE1011")},
        Refusal{"zero_payment", {kSale}, QStringLiteral("KX0T1"), QStringLiteral("DE1011")},
        Refusal{"payment_number_ten", {kSale}, QStringLiteral("KX100T10"), QStringLiteral("DE69")},
        Refusal{"cash_over_limit",
                {QStringLiteral("!cash-limit 400"), kSale},
                QStringLiteral("KXT1"),
                QStringLiteral("DE1014")},
        Refusal{"subtotal_required",
                {QStringLiteral("!require-subtotal on"), kSale},
                QStringLiteral("KXT1"),
                QStringLiteral("DE3")},
        Refusal{"report_with_open_receipt", {kSale}, QStringLiteral("KX0T1"), QStringLiteral("DE1011")},
        Refusal{"z_due_refuses_a_sale", {QStringLiteral("!z-due on")}, kSale, QStringLiteral("DE1031")},
        Refusal{"paper_out_refuses_a_sale", {QStringLiteral("!paper out")}, kSale, QStringLiteral("DE2")},
        Refusal{"paper_out_refuses_a_comment",
                {QStringLiteral("!paper out")},
                QStringLiteral("KXCO X"),
                QStringLiteral("DE2")},
        Refusal{"item_code_with_nothing_sold", {}, QStringLiteral("KX123AC"), QStringLiteral("DE6")},
        Refusal{"too_many_digits", {}, QStringLiteral("KX12345678901T1"), QStringLiteral("DE4")},
        Refusal{"unknown_command", {}, QStringLiteral("KXWHAT"), QStringLiteral("DE57")},
        Refusal{"not_a_command", {}, QStringLiteral("HELLO"), QStringLiteral("DE57")}),
    [](const ::testing::TestParamInfo<Refusal> &info) { return std::string(info.param.name); });

// Questions and the clear key are answered whatever the register is doing.
TEST(RegisterQueries, AnsweredWhilePaperIsOut)
{
    ScaledClock clock;
    EcrSimulator sim{clock};
    control(sim, QStringLiteral("paper out"));
    EXPECT_EQ(ask(sim, QStringLiteral("KXSTAT")), QStringLiteral("STAT:2\r\x04"));
    EXPECT_EQ(ask(sim, QStringLiteral("KXCL")), QStringLiteral("CL:0:0\r\x04"));
    EXPECT_EQ(ask(sim, QStringLiteral("KX?TO")), QStringLiteral("TO:0\r\x04"));
    EXPECT_EQ(ask(sim, QStringLiteral("KXREPTBL")), QStringLiteral("TBL:0\r\x04"));
    EXPECT_EQ(ask(sim, QStringLiteral("KXREP4TBL")), QStringLiteral("REP:4:0\r\x04"));
    control(sim, QStringLiteral("paper loaded"));
    EXPECT_EQ(ask(sim, QStringLiteral("KXSTAT")), QStringLiteral("STAT:0\r\x04"));
}

// The status query has two reply forms; the program reads the code from the
// eighth character on in the second one.
TEST(RegisterQueries, StatusForms)
{
    ScaledClock clock;
    EcrSimulator sim{clock};
    control(sim, QStringLiteral("z-due on"));
    EXPECT_EQ(ask(sim, QStringLiteral("KXSTAT")), QStringLiteral("STAT:1031\r\x04"));
    control(sim, QStringLiteral("status-form de"));
    const QString reply = ask(sim, QStringLiteral("KXSTAT"));
    EXPECT_EQ(reply, QStringLiteral("STATUS:DE1031C\r\x04"));
    EXPECT_EQ(reply.mid(7, 7), QStringLiteral("DE1031C"));
    control(sim, QStringLiteral("paper out"));
    EXPECT_EQ(ask(sim, QStringLiteral("KXSTAT")), QStringLiteral("STATUS:DE2C\r\x04"));
    control(sim, QStringLiteral("reset"));
    EXPECT_EQ(ask(sim, QStringLiteral("KXSTAT")), QStringLiteral("STAT:0\r\x04"));
}

TEST(RegisterQueries, NoReplyEverContainsTheErrorMarker)
{
    // The program stops reading at the letters "DE": a normal reply must not
    // carry them.
    ScaledClock clock;
    EcrSimulator sim{clock};
    for (const QString &command : {QStringLiteral("KX100R1X"), QStringLiteral("KXST"), QStringLiteral("KXRE"),
                                   QStringLiteral("KXCL"), QStringLiteral("KX?TO"), QStringLiteral("KXREPTBL"),
                                   QStringLiteral("KXSTAT"), QStringLiteral("KXT1"), QStringLiteral("KX0T1")}) {
        const QString reply = ask(sim, command);
        EXPECT_FALSE(reply.contains(QStringLiteral("DE"))) << str(command) << " -> " << str(reply);
    }
}

TEST(Reports, XKeepsZResetsAndCounts)
{
    ScaledClock clock;
    EcrSimulator sim{clock};
    run(sim, {QStringLiteral("KX1000R1A"), QStringLiteral("KXT1"), QStringLiteral("KX500R2B"), QStringLiteral("KXT2")});
    run(sim, {QStringLiteral("KX0T1")});
    EXPECT_EQ(sim.ecr().day().receipts, 2);
    EXPECT_TRUE(sim.roll().lines().contains(QStringLiteral("ΣΥΝΟΛΟ                 15,00")));
    EXPECT_TRUE(sim.roll().lines().contains(QStringLiteral("ΚΑΡΤΑ                   5,00")));
    control(sim, QStringLiteral("z-due on"));
    run(sim, {QStringLiteral("KX021T1")});
    EXPECT_FALSE(sim.ecr().zDue());
    EXPECT_EQ(sim.ecr().day().receipts, 0);
    EXPECT_EQ(sim.ecr().period().receipts, 2);
    EXPECT_EQ(ask(sim, QStringLiteral("KXRE")), QStringLiteral("RE:00002:2\r\x04"));
    run(sim, {QStringLiteral("KX5T1"), QStringLiteral("KX521T1")});
    EXPECT_EQ(sim.ecr().period().receipts, 0);
    EXPECT_TRUE(sim.roll().lines().contains(QStringLiteral("         ΑΝΑΦΟΡΑ Ζ")));
}

TEST(Money, GreekFormatting)
{
    EXPECT_EQ(formatMoney(0).toStdString(), "0,00");
    EXPECT_EQ(formatMoney(-30).toStdString(), "-0,30");
    EXPECT_EQ(formatMoney(123456789).toStdString(), "1.234.567,89");
    EXPECT_EQ(formatQuantity(500).toStdString(), "0,500");
    EXPECT_EQ(formatPercent(1000).toStdString(), "10,00%");
    EXPECT_EQ(mulDivRound(-5, 1, 10), -1); // half away from zero, both signs
    EXPECT_EQ(mulDivRound(5, 1, 10), 1);
    EXPECT_EQ(vatOfGross(1240, 2400), 240);
}

} // namespace
