// The two lines the program uses, for real: a pseudo-terminal opened the way a
// serial port is opened, and UDP datagrams on the loop-back address.
#include "simtest.h"

#include "sim/udpport.h"
#ifdef Q_OS_UNIX
#include "sim/ptyport.h"

#include <fcntl.h>
#include <termios.h>
#include <unistd.h>
#endif

#include <QElapsedTimer>
#include <QNetworkDatagram>
#include <QSerialPort>
#include <QUdpSocket>

using namespace dravimo;
using namespace dravimo::sim;
using namespace dravimo::sim::test;

namespace {

#ifdef Q_OS_UNIX

// The program's end of the line: the slave device, raw, non-blocking.
class SerialEnd
{
public:
    explicit SerialEnd(const QString &path)
    {
        fd_ = ::open(path.toLocal8Bit().constData(), O_RDWR | O_NOCTTY | O_NONBLOCK);
        termios t{};
        if (fd_ >= 0 && ::tcgetattr(fd_, &t) == 0) {
            ::cfmakeraw(&t);
            ::tcsetattr(fd_, TCSANOW, &t);
        }
    }
    ~SerialEnd() { close(); }
    void close()
    {
        if (fd_ >= 0)
            ::close(fd_);
        fd_ = -1;
    }
    bool isOpen() const { return fd_ >= 0; }
    void write(const QByteArray &bytes)
    {
        ASSERT_EQ(::write(fd_, bytes.constData(), size_t(bytes.size())), bytes.size());
    }

    // Reads (letting the simulator run) until the bytes end with `end` or ms
    // pass; each read that returned something is kept in `reads`.
    QByteArray readUntil(const QByteArray &end, int ms = 2000)
    {
        QByteArray all;
        waitUntil(
            [&] {
                char buffer[512];
                const ssize_t n = ::read(fd_, buffer, sizeof buffer);
                if (n > 0) {
                    all += QByteArray(buffer, int(n));
                    reads.append(QByteArray(buffer, int(n)));
                }
                return all.endsWith(end);
            },
            ms);
        return all;
    }

    QList<QByteArray> reads;

private:
    int fd_ = -1;
};

class Pty : public ::testing::Test
{
protected:
    void SetUp() override
    {
        QString error;
        ASSERT_TRUE(port.open(&error)) << str(error);
        ASSERT_TRUE(port.devicePath().startsWith(QStringLiteral("/dev/")));
    }

    ScaledClock clock;
    EcrSimulator sim{clock};
    PtyPort port{sim};
};

TEST_F(Pty, FramesCommandsHoweverTheyArrive)
{
    SerialEnd line(port.devicePath());
    ASSERT_TRUE(line.isOpen());
    line.write("KXC");
    line.write("L\r");
    line.write("\nKXSTAT\r\nKX?TO\r\n");
    EXPECT_EQ(line.readUntil("TO:0\r\x04"), QByteArray("CL:0:0\r\x04STAT:0\r\x04TO:0\r\x04"));
    line.write("KX794ST\r\r\nKXFOO\r\n");
    EXPECT_EQ(line.readUntil("DE57"), QByteArray("DE57"));
}

// The program closes and reopens the port between runs; the simulator must
// go on answering on the same device.
TEST_F(Pty, SurvivesThePortBeingClosedAndReopened)
{
    {
        SerialEnd first(port.devicePath());
        first.write("KX100R1X\r\n");
        EXPECT_EQ(first.readUntil("\x04"), QByteArray("OK\r\x04"));
    }
    SerialEnd second(port.devicePath());
    second.write("KXSTAT\r\n");
    EXPECT_EQ(second.readUntil("\x04"), QByteArray("STAT:1\r\x04"));
}

// The program's serial class sits on QSerialPort; it opens, sets the line up
// and closes the device once per run.
TEST_F(Pty, AnsweredThroughASerialPortObjectAcrossReopens)
{
    for (int round = 0; round < 2; ++round) {
        QSerialPort serial(port.devicePath());
        ASSERT_TRUE(serial.open(QIODevice::ReadWrite)) << str(serial.errorString());
        ASSERT_TRUE(serial.setBaudRate(9600));
        serial.write("KXCL\r\n");
        QByteArray got;
        waitUntil([&] {
            got += serial.readAll();
            return got.endsWith('\x04');
        });
        EXPECT_EQ(got, QByteArray("CL:0:0\r\x04")) << "round " << round;
    }
}

TEST_F(Pty, LateReplyInPiecesWithNoiseFirst)
{
    control(sim, QStringLiteral("delay 40 times 1"));
    control(sim, QStringLiteral("split 2 gap 40 times 1"));
    control(sim, QStringLiteral("garbage hex:ff7f times 1"));
    SerialEnd line(port.devicePath());
    QElapsedTimer took;
    took.start();
    line.write("KXSTAT\r\n");
    EXPECT_EQ(line.readUntil("STAT:0\r\x04"), QByteArray("\xff\x7fSTAT:0\r\x04"));
    EXPECT_GE(took.elapsed(), 75);
    EXPECT_GE(line.reads.size(), 2); // the two pieces came in reads of their own
}

TEST_F(Pty, CardOutcomeFollowsOnTheLine)
{
    control(sim, QStringLiteral("card code 05 delay 20"));
    SerialEnd line(port.devicePath());
    line.write("KX500R1X\r\nKX500T2P1\r\n");
    EXPECT_EQ(line.readUntil(":05\r\x04"), QByteArray("OK\r\x04OK\r\x04:05\r\x04"));
}

#endif // Q_OS_UNIX

class Udp : public ::testing::Test
{
protected:
    void SetUp() override
    {
        QString error;
        ASSERT_TRUE(port.open(QHostAddress::LocalHost, 0, &error)) << str(error);
        ASSERT_TRUE(client.bind(QHostAddress::LocalHost, 0));
    }

    void send(const QByteArray &datagram) { client.writeDatagram(datagram, QHostAddress::LocalHost, port.port()); }

    QByteArray receive(int ms = 2000)
    {
        QByteArray got;
        waitUntil(
            [&] {
                if (!client.hasPendingDatagrams())
                    return false;
                const QNetworkDatagram d = client.receiveDatagram();
                EXPECT_EQ(d.senderPort(), port.port());
                got = d.data();
                return true;
            },
            ms);
        return got;
    }

    ScaledClock clock;
    EcrSimulator sim{clock};
    UdpPort port{sim};
    QUdpSocket client;
};

TEST_F(Udp, OneCommandPerDatagramRepliesToTheSender)
{
    send("KXCL\r\n");
    EXPECT_EQ(receive(), QByteArray("CL:0:0\r\x04"));
    send("KX100R1X\r\n");
    EXPECT_EQ(receive(), QByteArray("OK\r\x04"));
    send("KXFOO\r\n");
    EXPECT_EQ(receive(), QByteArray("DE57"));
    send("KX794ST\r\r\n");
    EXPECT_EQ(receive(100), QByteArray());
}

TEST_F(Udp, SplitReplyArrivesAsSeveralDatagrams)
{
    control(sim, QStringLiteral("split 2 gap 10 times 1"));
    send("KXSTAT\r\n");
    EXPECT_EQ(receive(), QByteArray("STAT"));
    EXPECT_EQ(receive(), QByteArray(":0\r\x04"));
}

TEST_F(Udp, CardOutcomeGoesToTheSender)
{
    control(sim, QStringLiteral("card 356 delay 10"));
    send("KX500R1X\r\n");
    EXPECT_EQ(receive(), QByteArray("OK\r\x04"));
    send("KXT2P1\r\n");
    EXPECT_EQ(receive(), QByteArray("OK\r\x04"));
    EXPECT_EQ(receive(), QByteArray("356OK\r\x04"));
}

TEST(UdpAddress, Parse)
{
    QHostAddress address;
    quint16 port = 0;
    EXPECT_TRUE(parseHostPort(QStringLiteral("127.0.0.1:4001"), address, port));
    EXPECT_EQ(address, QHostAddress(QHostAddress::LocalHost));
    EXPECT_EQ(port, 4001);
    EXPECT_FALSE(parseHostPort(QStringLiteral("127.0.0.1"), address, port));
    EXPECT_FALSE(parseHostPort(QStringLiteral("127.0.0.1:70000"), address, port));
    EXPECT_FALSE(parseHostPort(QStringLiteral("nohost:4001"), address, port));
}

} // namespace
