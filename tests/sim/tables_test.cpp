// Restaurant tables in the command sequences the program sends for its table
// lines: open, park, transfer, partial transfer, send to payment, list.
#include "simtest.h"

using namespace dravimo;
using namespace dravimo::sim;
using namespace dravimo::sim::test;

namespace {

class Tables : public ::testing::Test
{
protected:
    // "TBO" n: ask which table is open, park another one, open n, ask again.
    void openTable(int table)
    {
        ask(sim, QStringLiteral("KX?TO"));
        run(sim, {QStringLiteral("KXSTAT"), QStringLiteral("KX%1TO").arg(table)});
        ASSERT_EQ(ask(sim, QStringLiteral("KX?TO")), QStringLiteral("TO:%1\r\x04").arg(table));
    }

    ScaledClock clock;
    EcrSimulator sim{clock};
};

TEST_F(Tables, OrderIsKeptWhileParked)
{
    openTable(12);
    run(sim, {QStringLiteral("KX2.000* "), QStringLiteral("KX150R2WATER"), QStringLiteral("KX350R1SOUVLAKI")});
    EXPECT_EQ(ask(sim, QStringLiteral("KXSTAT")), QStringLiteral("STAT:0\r\x04")); // an order is not a receipt
    run(sim, {QStringLiteral("KXTO")});
    EXPECT_EQ(ask(sim, QStringLiteral("KX?TO")), QStringLiteral("TO:0\r\x04"));
    EXPECT_EQ(ask(sim, QStringLiteral("KXREP12TBL")), QStringLiteral("REP:12:650\r\x04"));
    openTable(5);
    run(sim, {QStringLiteral("KX100R1X"), QStringLiteral("KXTO")});
    EXPECT_EQ(ask(sim, QStringLiteral("KXREPTBL")), QStringLiteral("TBL:5,12\r\x04"));
    // Reopening adds to the order.
    openTable(12);
    run(sim, {QStringLiteral("KX100R1X")});
    EXPECT_EQ(ask(sim, QStringLiteral("KXREP12TBL")), QStringLiteral("REP:12:750\r\x04"));
    EXPECT_EQ(ask(sim, QStringLiteral("KX12TO")), QStringLiteral("OK\r\x04")); // the same table again is fine
    EXPECT_EQ(ask(sim, QStringLiteral("KX5TO")), QStringLiteral("DE5"));       // another one is not
}

TEST_F(Tables, WholeTransfer)
{
    openTable(3);
    run(sim, {QStringLiteral("KX300R1A"), QStringLiteral("KXTO")});
    openTable(4);
    run(sim, {QStringLiteral("KX100R1B"), QStringLiteral("KXTO")});
    run(sim, {QStringLiteral("KXTRF"), QStringLiteral("KXFROM3TO4")});
    EXPECT_EQ(ask(sim, QStringLiteral("KXREPTBL")), QStringLiteral("TBL:4\r\x04"));
    EXPECT_EQ(ask(sim, QStringLiteral("KXREP4TBL")), QStringLiteral("REP:4:400\r\x04"));
    EXPECT_EQ(ask(sim, QStringLiteral("KXREP3TBL")), QStringLiteral("REP:3:0\r\x04"));
    // A move needs "KXTRF" first and a table with something on it.
    EXPECT_EQ(ask(sim, QStringLiteral("KXFROM4TO5")), QStringLiteral("DE6"));
    run(sim, {QStringLiteral("KXTRF")});
    EXPECT_EQ(ask(sim, QStringLiteral("KXFROM9TO5")), QStringLiteral("DE69"));
}

// "TPT" 3 6: the moved items are sent one by one with quantity 1, then "TBC"
// ends the move with "KXTRFNO", "KXTRFOK".
TEST_F(Tables, PartialTransfer)
{
    openTable(3);
    run(sim, {QStringLiteral("KX3.000* "), QStringLiteral("KX200R2BEER"), QStringLiteral("KX500R1MEAL")});
    run(sim, {QStringLiteral("KXSTAT"), QStringLiteral("KXTRF"), QStringLiteral("KXFROM3TO6PAR")});
    run(sim, {QStringLiteral("KXTRF"), QStringLiteral("KXPA200R2BEER"), QStringLiteral("KXTRFOK")});
    run(sim, {QStringLiteral("KXTRF"), QStringLiteral("KXPA200R2BEER"), QStringLiteral("KXTRFOK")});
    // An item the table does not hold is refused and nothing moves.
    run(sim, {QStringLiteral("KXTRF")});
    EXPECT_EQ(ask(sim, QStringLiteral("KXPA999R2BEER")), QStringLiteral("DE69"));
    run(sim, {QStringLiteral("KXCL")});
    ASSERT_EQ(ask(sim, QStringLiteral("KX?TO")), QStringLiteral("TO:3\r\x04"));
    run(sim, {QStringLiteral("KXTRFNO"), QStringLiteral("KXTRFOK")});
    EXPECT_EQ(ask(sim, QStringLiteral("KXREP3TBL")), QStringLiteral("REP:3:700\r\x04"));
    EXPECT_EQ(ask(sim, QStringLiteral("KXREP6TBL")), QStringLiteral("REP:6:400\r\x04"));
    EXPECT_EQ(ask(sim, QStringLiteral("KXTRFOK")), QStringLiteral("DE6")); // the move is over
}

TEST_F(Tables, MovingMoreThanTheTableHoldsIsRefused)
{
    openTable(3);
    run(sim, {QStringLiteral("KX200R2BEER"), QStringLiteral("KXTO")});
    run(sim,
        {QStringLiteral("KXTRF"), QStringLiteral("KXFROM3TO6PAR"), QStringLiteral("KX2.000* "),
         QStringLiteral("KXTRF")});
    EXPECT_EQ(ask(sim, QStringLiteral("KXPA200R2BEER")), QStringLiteral("DE1005"));
}

// "TBS" 7, payment, "TBC" 7: the table goes to a receipt, the receipt is paid,
// and the clear key's third field is that receipt's number.
TEST_F(Tables, SendToPaymentTakesTheWholeTable)
{
    openTable(7);
    run(sim,
        {QStringLiteral("KX2.000* "), QStringLiteral("KX150R2WATER"), QStringLiteral("KX- "), QStringLiteral("KX50GE"),
         QStringLiteral("KXTO")});
    run(sim, {QStringLiteral("KXSTAT"), QStringLiteral("KXPPAY"), QStringLiteral("KXFROM7")});
    EXPECT_EQ(ask(sim, QStringLiteral("KXSTAT")), QStringLiteral("STAT:1\r\x04"));
    EXPECT_EQ(ask(sim, QStringLiteral("KXST")), QStringLiteral("ST:250\r\x04"));
    run(sim, {QStringLiteral("KX250T1")});
    EXPECT_EQ(ask(sim, QStringLiteral("KX?TO")), QStringLiteral("TO:0\r\x04"));
    EXPECT_EQ(ask(sim, QStringLiteral("KXCL")), QStringLiteral("CL:0:1\r\x04"));
    EXPECT_EQ(ask(sim, QStringLiteral("KXREP7TBL")), QStringLiteral("REP:7:0\r\x04"));
    EXPECT_EQ(ask(sim, QStringLiteral("KXREPTBL")), QStringLiteral("TBL:0\r\x04"));
    EXPECT_EQ(sim.ecr().day().total(), 250);
}

// With the payment-transfer flag the program sends the items it pays; the
// rest stays on the table.
TEST_F(Tables, SendToPaymentWithChosenItems)
{
    openTable(7);
    run(sim,
        {QStringLiteral("KX200R2BEER"), QStringLiteral("KX200R2BEER"), QStringLiteral("KX500R1MEAL"),
         QStringLiteral("KXTO")});
    run(sim, {QStringLiteral("KXPPAY"), QStringLiteral("KXFROM7")});
    run(sim,
        {QStringLiteral("KXTRF"), QStringLiteral("KXPA500R1MEAL"), QStringLiteral("KXTRFOK"), QStringLiteral("KXST"),
         QStringLiteral("KXT1")});
    EXPECT_EQ(ask(sim, QStringLiteral("KXREP7TBL")), QStringLiteral("REP:7:400\r\x04"));
    EXPECT_EQ(sim.ecr().day().total(), 500);
}

TEST_F(Tables, CancelledTableReceiptGivesTheItemsBack)
{
    openTable(2);
    run(sim,
        {QStringLiteral("KX300R1A"), QStringLiteral("KXTO"), QStringLiteral("KXPPAY"), QStringLiteral("KXFROM2"),
         QStringLiteral("KXST"), QStringLiteral("KX@215T0")});
    EXPECT_FALSE(sim.ecr().receipt());
    EXPECT_EQ(ask(sim, QStringLiteral("KXREP2TBL")), QStringLiteral("REP:2:300\r\x04"));
}

TEST_F(Tables, RefusalsAroundTables)
{
    EXPECT_EQ(ask(sim, QStringLiteral("KXTO")), QStringLiteral("DE6"));    // nothing open
    EXPECT_EQ(ask(sim, QStringLiteral("KX0TO")), QStringLiteral("DE69"));  // no table 0
    EXPECT_EQ(ask(sim, QStringLiteral("KXFROM7")), QStringLiteral("DE6")); // without "KXPPAY"
    run(sim, {QStringLiteral("KXPPAY")});
    EXPECT_EQ(ask(sim, QStringLiteral("KXFROM7")), QStringLiteral("DE69")); // no such table
    run(sim, {QStringLiteral("KX100R1X")});
    EXPECT_EQ(ask(sim, QStringLiteral("KX4TO")), QStringLiteral("DE1038")); // a receipt is open
    EXPECT_EQ(ask(sim, QStringLiteral("KXPPAY")), QStringLiteral("DE1038"));
    control(sim, QStringLiteral("z-due on"));
    run(sim, {QStringLiteral("KXT1")});
    EXPECT_EQ(ask(sim, QStringLiteral("KX4TO")), QStringLiteral("DE1031"));
}

} // namespace
