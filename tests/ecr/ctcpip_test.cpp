// The UDP transport over the loop-back interface only. The link binds the
// register's own port number, so on one machine the only peer it can have is
// itself: a link whose peer is 127.0.0.1 reads back what it sends.
#include "testkit.h"

#include "ecr/ctcpip.h"

#include <QElapsedTimer>
#include <QHostAddress>
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

class UdpLink : public ::testing::Test
{
protected:
    void SetUp() override
    {
        port = freePort();
        link.RemoteHostIP(QStringLiteral("127.0.0.1"));
        link.RemotePort(port);
    }
    quint16 port = 0;
    cTCPIP link;
};

TEST_F(UdpLink, EachCommandIsOneDatagramWithTheTerminator)
{
    ASSERT_EQ(link.OpenConnection(), 0);
    EXPECT_NE(link.SocketHnd(), 0);
    EXPECT_EQ(link.sendData(QStringLiteral("KXCL")), -1);
    ASSERT_TRUE(link.waitForData(1000ms));
    EXPECT_EQ(link.ReceiveData(), QStringLiteral("KXCL\r\n"));
    link.sendData(QStringLiteral("AB"));
    link.sendData(QStringLiteral("KXCO ΑΒΓ"));
    ASSERT_TRUE(link.waitForData(1000ms));
    EXPECT_EQ(link.ReceiveData(), QStringLiteral("AB"));
    ASSERT_TRUE(link.waitForData(1000ms));
    EXPECT_EQ(link.ReceiveData(), QStringLiteral("KXCO ΑΒΓ\r\n"));
    EXPECT_FALSE(link.IsDataAvailable());
    EXPECT_TRUE(link.ReceiveData().isEmpty());
    EXPECT_EQ(link.Result, 0);
}

TEST_F(UdpLink, DatagramsFromAnyoneButThePeerAreNotRead)
{
    ASSERT_EQ(link.OpenConnection(), 0);
    QUdpSocket stranger;
    ASSERT_TRUE(stranger.bind(QHostAddress::LocalHost, 0));
    stranger.writeDatagram("DE7\r\x04", QHostAddress::LocalHost, port);
    EXPECT_FALSE(link.waitForData(200ms));
    EXPECT_TRUE(link.ReceiveData().isEmpty());
}

TEST_F(UdpLink, OversizedDatagramIsRefused)
{
    ASSERT_EQ(link.OpenConnection(), 0);
    link.sendData(QString(10001, QLatin1Char('x')));
    ASSERT_TRUE(link.waitForData(1000ms));
    EXPECT_TRUE(link.ReceiveData().isEmpty());
    EXPECT_EQ(link.Result, -2);
    EXPECT_EQ(link.exResult, QStringLiteral("Λάθος κατά την ανάγνωση στοιχείων απο την θύρα (Ethernet)"));
    link.Result = 0;
    link.sendData(QString(9998, QLatin1Char('y'))); // 10000 with CR LF: accepted
    ASSERT_TRUE(link.waitForData(1000ms));
    EXPECT_EQ(link.ReceiveData().size(), 10000);
    EXPECT_EQ(link.Result, 0);
}

TEST_F(UdpLink, SecondLinkOnTheSamePortFailsToBindAndCannotSend)
{
    ASSERT_EQ(link.OpenConnection(), 0);
    cTCPIP second;
    second.RemoteHostIP(QStringLiteral("127.0.0.1"));
    second.RemotePort(port);
    EXPECT_EQ(second.OpenConnection(), -4);
    EXPECT_EQ(second.OpenConnection(), 0); // opened once per object
    EXPECT_EQ(second.sendData(QStringLiteral("KXCL")), 0);
    EXPECT_EQ(second.Result, -1);
    EXPECT_EQ(second.exResult, QStringLiteral("Λάθος κατά την αποστολή δεδομένων στην θύρα (Ethernet)"));
    EXPECT_FALSE(second.IsDataAvailable());
    EXPECT_EQ(second.Result, -3);
    EXPECT_EQ(second.exResult, QStringLiteral("Λάθος κατά την προσπέλαση της θύρας (Ethernet)"));
}

TEST(UdpLinkOpen, BadAddressOrPortIsReported)
{
    struct Case
    {
        QString host;
        qint32 port;
        qint16 code;
    };
    const quint16 free = freePort();
    const QList<Case> cases = {
        {QStringLiteral("999.1.1.1"), free, -5},
        {QStringLiteral("ecr.local"), free, -5},
        {QStringLiteral("127.0.0.1"), 0, -4},
        {QStringLiteral("127.0.0.1"), 70000, -4},
    };
    for (const Case &c : cases) {
        cTCPIP link;
        link.RemoteHostIP(c.host);
        link.RemotePort(c.port);
        EXPECT_EQ(link.OpenConnection(), c.code) << c.host.toStdString() << ":" << c.port;
    }
}

TEST_F(UdpLink, ShutdownClosesTheSocket)
{
    ASSERT_EQ(link.OpenConnection(), 0);
    link.ShutdownConnection();
    EXPECT_EQ(link.SocketHnd(), 0);
    // The port is free again.
    cTCPIP again;
    again.RemoteHostIP(QStringLiteral("127.0.0.1"));
    again.RemotePort(port);
    EXPECT_EQ(again.OpenConnection(), 0);
}

TEST_F(UdpLink, WaitingForSilenceDoesNotSpin)
{
    ASSERT_EQ(link.OpenConnection(), 0);
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
    ScopedClock fast(std::make_unique<ScaledClock>(20.0));
    RecordingWindow win;
    setWindow(&win);
    shared() = SharedState{};
    const quint16 port = freePort();
    shared().connectionString = QStringLiteral("127.0.0.1:%1").arg(port);
    FiscalTec module;
    QString reply;
    QElapsedTimer wall;
    wall.start();
    const double cpu = cpuSeconds();
    module.SendCommand(QStringLiteral("KXCL"), shared().lastResultCode, reply, -1);
    const double cpuUsed = cpuSeconds() - cpu;
    EXPECT_EQ(shared().lastResultCode, -4);
    auto *link = dynamic_cast<cTCPIP *>(module.ActivePort());
    ASSERT_NE(link, nullptr);
    EXPECT_EQ(link->localHostIP(), LocalHostAddress());
    // 28 program seconds at twenty times real speed.
    EXPECT_GE(wall.elapsed(), 1300);
    EXPECT_LT(wall.elapsed(), 4000);
    EXPECT_LT(cpuUsed, 0.5);
    module.CloseLink(shared().connectionString);
    EXPECT_EQ(module.ActivePort(), link); // a network link stays in its slot
    EXPECT_EQ(link->SocketHnd(), 0);
    setWindow(nullptr);
    shared() = SharedState{};
}

TEST(LocalHostAddress, SkipsLoopBackAndUnconfiguredAddresses)
{
    const QString address = LocalHostAddress();
    EXPECT_NE(address, QStringLiteral("127.0.0.1"));
    EXPECT_NE(address, QStringLiteral("0.0.0.0"));
    if (!address.isEmpty()) {
        EXPECT_EQ(QHostAddress(address).protocol(), QAbstractSocket::IPv4Protocol);
    }
}

} // namespace
} // namespace dravimo::test
