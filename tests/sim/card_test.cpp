// The card terminal: an immediate answer, then the scripted outcome.
#include "simtest.h"

#include <QSignalSpy>

using namespace dravimo;
using namespace dravimo::sim;
using namespace dravimo::sim::test;

namespace {

class Card : public ::testing::Test
{
protected:
    void SetUp() override
    {
        control(sim, QStringLiteral("card delay 10"));
        run(sim, {QStringLiteral("KX1250R1MEAL"), QStringLiteral("KXST")});
    }

    // Sends a card command, checks the immediate answer, returns the outcome
    // ("<none>" when nothing came within waitMs).
    QString charge(const QString &command, int waitMs = 2000)
    {
        QSignalSpy spy(&sim, &EcrSimulator::asyncOutput);
        EXPECT_EQ(ask(sim, command), QStringLiteral("OK\r\x04"));
        if (!spy.wait(waitMs))
            return QStringLiteral("<none>");
        return cp1253::decode(spy.takeFirst().at(0).toByteArray());
    }

    ScaledClock clock;
    EcrSimulator sim{clock};
};

// What the program does with an approval: the first 15 characters, blanks
// trimmed, name the acknowledgement; the data after it are colon-separated
// with the amount in cents as field 3.
TEST_F(Card, ApprovalCarriesTheTransactionData)
{
    const QString outcome = charge(QStringLiteral("KX1250T2P1"));
    ASSERT_TRUE(outcome.endsWith(QStringLiteral("\r\x04")));
    EXPECT_EQ(outcome.left(15).trimmed(), QStringLiteral("358OK"));
    const QStringList fields = outcome.mid(5).trimmed().chopped(2).split(QLatin1Char(':'));
    ASSERT_GE(fields.size(), 15);
    EXPECT_EQ(fields[0], QStringLiteral("1"));
    EXPECT_EQ(fields[3], QStringLiteral("1250"));
    EXPECT_FALSE(outcome.contains(QStringLiteral("DE")));
    EXPECT_FALSE(sim.ecr().receipt()); // paid in full: the receipt closed
    EXPECT_EQ(sim.ecr().day().byPayment.value(2), 1250);
}

TEST_F(Card, WholeTotalByCard)
{
    run(sim, {QStringLiteral("KX250T1")});
    control(sim, QStringLiteral("card 355"));
    const QString outcome = charge(QStringLiteral("KXT2P1"));
    EXPECT_EQ(outcome.left(15).trimmed(), QStringLiteral("355OK"));
    EXPECT_EQ(outcome.mid(5).trimmed().split(QLatin1Char(':')).value(3), QStringLiteral("1000"));
    EXPECT_FALSE(sim.ecr().receipt());
}

struct Failure
{
    const char *name;
    QString script;
    QString outcome;
};

class CardFailures : public Card, public ::testing::WithParamInterface<Failure>
{};

TEST_P(CardFailures, NothingIsBooked)
{
    control(sim, GetParam().script);
    // The outcomes come after 10 ms; a terminal that never answers is given
    // a fair while to prove it.
    const bool silent = GetParam().outcome == QStringLiteral("<none>");
    EXPECT_EQ(charge(QStringLiteral("KX1250T2P1"), silent ? 200 : 2000), GetParam().outcome);
    ASSERT_TRUE(sim.ecr().receipt());
    EXPECT_EQ(sim.ecr().receipt()->paid(), 0);
    // The fallback payment the program sends next is taken.
    EXPECT_EQ(ask(sim, QStringLiteral("KX1250T1")), QStringLiteral("OK\r\x04"));
    EXPECT_FALSE(sim.ecr().receipt());
}

INSTANTIATE_TEST_SUITE_P(
    Outcomes, CardFailures,
    ::testing::Values(Failure{"declined", QStringLiteral("card code 05"), QStringLiteral(":05\r\x04")},
                      Failure{"busy", QStringLiteral("card code 999"), QStringLiteral(":999\r\x04")},
                      Failure{"inactive", QStringLiteral("card code \"ECR INACTIVE EFTPOS\""),
                              QStringLiteral(":ECR INACTIVE EFTPOS\r\x04")},
                      Failure{"unreachable", QStringLiteral("card cntfail"), QStringLiteral("CntFail\r\x04")},
                      Failure{"raw", QStringLiteral("card raw \"X:SEND:TIMEOUT WHILE SEND DATA TO POS\\r\\x04\""),
                              QStringLiteral("X:SEND:TIMEOUT WHILE SEND DATA TO POS\r\x04")},
                      Failure{"silent", QStringLiteral("card none"), QStringLiteral("<none>")}),
    [](const ::testing::TestParamInfo<Failure> &info) { return std::string(info.param.name); });

// Retries: each attempt takes the next scripted outcome, then the default.
TEST_F(Card, OutcomesAreTakenPerAttempt)
{
    control(sim, QStringLiteral("card code 05 times 2"));
    control(sim, QStringLiteral("card 356 delay 20"));
    control(sim, QStringLiteral("card default cntfail"));
    EXPECT_EQ(charge(QStringLiteral("KX250T2P1")), QStringLiteral(":05\r\x04"));
    EXPECT_EQ(charge(QStringLiteral("KX250T2P1")), QStringLiteral(":05\r\x04"));
    EXPECT_EQ(charge(QStringLiteral("KX250T2P1")), QStringLiteral("356OK\r\x04"));
    EXPECT_EQ(charge(QStringLiteral("KX250T2P1")), QStringLiteral("CntFail\r\x04"));
    EXPECT_EQ(sim.ecr().receipt()->paid(), 250);
}

// When the operator goes on before the terminal answers (the program's wait
// dialog closed), the late outcome is not sent and nothing is booked.
TEST_F(Card, AnotherCommandAbandonsTheTransaction)
{
    control(sim, QStringLiteral("card 358 delay 50"));
    QSignalSpy spy(&sim, &EcrSimulator::asyncOutput);
    EXPECT_EQ(ask(sim, QStringLiteral("KX1250T2P1")), QStringLiteral("OK\r\x04"));
    EXPECT_EQ(ask(sim, QStringLiteral("KXSTAT")), QStringLiteral("STAT:1\r\x04")); // a question does not
    EXPECT_EQ(ask(sim, QStringLiteral("KX1250T1")), QStringLiteral("OK\r\x04"));   // a payment does
    EXPECT_FALSE(spy.wait(150));
    EXPECT_FALSE(sim.ecr().receipt());
    EXPECT_EQ(sim.ecr().day().byPayment.value(2), 0);
    EXPECT_EQ(sim.ecr().day().byPayment.value(1), 1250);
}

} // namespace
