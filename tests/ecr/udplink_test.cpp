// The UDP transport over the loop-back interface only. The link binds the
// register's own port number, so on one machine the only peer it can have is
// itself: a link whose peer is 127.0.0.1 reads back what it sends.
#include "harness.h"

#include "ecr/transports.h"
#include "ecr/udplink.h"

#include <QElapsedTimer>
#include <QHostAddress>
#include <QThread>
#include <QUdpSocket>

#include <ctime>

using namespace std::chrono_literals;

namespace dravimo::test {
namespace {

quint16 freePort()
{
    QUdpSocket probe;
    probe.bind(QHostAddress::LocalHost, 0);
    return probe.localPort();
}

double cpuSeconds()
{
    return double(std::clock()) / CLOCKS_PER_SEC;
}

class UdpLinkTest : public ::testing::Test
{
protected:
    ScaledClock clock;
    quint16 port = freePort();
    UdpLink link{clock, QStringLiteral("127.0.0.1"), port};
};

TEST_F(UdpLinkTest, EachCommandIsOneDatagramWithTheTerminator)
{
    ASSERT_EQ(link.open(), 0);
    EXPECT_TRUE(link.isUsable());
    EXPECT_FALSE(link.send(QStringLiteral("KXCL")));
    ASSERT_TRUE(link.waitForData(1000ms));
    EXPECT_EQ(link.receive(), QStringLiteral("KXCL\r\n"));
    link.send(QStringLiteral("AB"));
    link.send(QStringLiteral("KXCO ΑΒΓ"));
    ASSERT_TRUE(link.waitForData(1000ms));
    EXPECT_EQ(link.receive(), QStringLiteral("AB"));
    ASSERT_TRUE(link.waitForData(1000ms));
    EXPECT_EQ(link.receive(), QStringLiteral("KXCO ΑΒΓ\r\n"));
    EXPECT_TRUE(link.receive().isEmpty());
}

TEST_F(UdpLinkTest, DatagramsFromAnyoneButThePeerAreNotRead)
{
    ASSERT_EQ(link.open(), 0);
    QUdpSocket stranger;
    ASSERT_TRUE(stranger.bind(QHostAddress::LocalHost, 0));
    stranger.writeDatagram("DE7\r\x04", QHostAddress::LocalHost, port);
    EXPECT_FALSE(link.waitForData(200ms));
    EXPECT_TRUE(link.receive().isEmpty());
}

TEST_F(UdpLinkTest, DrainTakesEveryWaitingDatagramWithoutWaiting)
{
    ASSERT_EQ(link.open(), 0);
    EXPECT_TRUE(link.drain().isEmpty());
    link.send(QStringLiteral("358OK:1"));
    link.send(QStringLiteral("OK"));
    QString got;
    // No event loop runs here: the drain alone must fetch what the device holds.
    QElapsedTimer waited;
    waited.start();
    while (got.size() < 11 && waited.elapsed() < 2000) {
        got += link.drain();
        QThread::msleep(5);
    }
    EXPECT_EQ(got, QStringLiteral("358OK:1\r\nOK"));
}

TEST_F(UdpLinkTest, OversizedDatagramIsDropped)
{
    ASSERT_EQ(link.open(), 0);
    link.send(QString(10001, QLatin1Char('x')));
    ASSERT_TRUE(link.waitForData(1000ms));
    EXPECT_TRUE(link.receive().isEmpty());
    link.send(QString(9998, QLatin1Char('y'))); // 10000 with CR LF: accepted
    ASSERT_TRUE(link.waitForData(1000ms));
    EXPECT_EQ(link.receive().size(), 10000);
}

TEST_F(UdpLinkTest, SecondLinkOnTheSamePortFailsToBindAndCannotSend)
{
    ASSERT_EQ(link.open(), 0);
    UdpLink second(clock, QStringLiteral("127.0.0.1"), port);
    EXPECT_EQ(second.open(), -4);
    EXPECT_EQ(second.open(), 0); // opened once per object
    const auto failure = second.send(QStringLiteral("KXCL"));
    ASSERT_TRUE(failure);
    EXPECT_EQ(failure->code, -1);
    EXPECT_EQ(failure->text, QStringLiteral("Λάθος κατά την αποστολή δεδομένων στην θύρα (Ethernet)"));
    EXPECT_FALSE(second.isUsable());
}

TEST(UdpLinkOpen, BadAddressOrPortIsReported)
{
    struct Case
    {
        QString host;
        qint32 port;
        qint16 code;
    };
    ScaledClock clock;
    const quint16 free = freePort();
    const QList<Case> cases = {
        {QStringLiteral("999.1.1.1"), free, -5},
        {QStringLiteral("ecr.local"), free, -5},
        {QStringLiteral("127.0.0.1"), 0, -4},
        {QStringLiteral("127.0.0.1"), 70000, -4},
    };
    for (const Case &c : cases) {
        UdpLink link(clock, c.host, c.port);
        EXPECT_EQ(link.open(), c.code) << c.host.toStdString() << ":" << c.port;
    }
}

TEST_F(UdpLinkTest, CloseFreesThePort)
{
    ASSERT_EQ(link.open(), 0);
    link.close();
    EXPECT_FALSE(link.isUsable());
    UdpLink again(clock, QStringLiteral("127.0.0.1"), port);
    EXPECT_EQ(again.open(), 0);
}

TEST_F(UdpLinkTest, WaitingForSilenceDoesNotSpin)
{
    ASSERT_EQ(link.open(), 0);
    QElapsedTimer wall;
    wall.start();
    const double cpu = cpuSeconds();
    EXPECT_FALSE(link.waitForData(400ms));
    EXPECT_GE(wall.elapsed(), 350);
    EXPECT_LT(cpuSeconds() - cpu, 0.1);
}

// A silent command over UDP keeps its deadlines (four 7-second windows) and
// sleeps through them. The link's peer is itself: it reads back its own
// command, which is neither a complete nor an error reply.
TEST(UdpExchange, SilenceKeepsDeadlinesWithoutSpinning)
{
    ScaledClock fast(20.0);
    ExchangeHarness h;
    Exchange exchange(fast, h.notices, h.log, h.results, NumberFormat(QLatin1Char('.')),
                      [&fast](const QString &connection) { return openTransport(connection, fast); });
    exchange.setConnection(QStringLiteral("127.0.0.1:%1").arg(freePort()));
    QElapsedTimer wall;
    wall.start();
    const double cpu = cpuSeconds();
    EXPECT_EQ(exchange.send(ecrcommand::clear(), Quiet::Yes).code, -4);
    const double cpuUsed = cpuSeconds() - cpu;
    auto *link = dynamic_cast<UdpLink *>(exchange.transport());
    ASSERT_NE(link, nullptr);
    // 28 program seconds at twenty times real speed.
    EXPECT_GE(wall.elapsed(), 1300);
    EXPECT_LT(wall.elapsed(), 4000);
    EXPECT_LT(cpuUsed, 0.5);
    exchange.close();
    EXPECT_EQ(exchange.transport(), link); // a network link is opened once per run
    EXPECT_FALSE(link->isUsable());
}

} // namespace
} // namespace dravimo::test
