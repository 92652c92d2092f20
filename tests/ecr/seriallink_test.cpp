// The serial transport against a pseudo-terminal: the test holds the master
// side and plays the register.
#include "harness.h"

#include "ecr/seriallink.h"
#include "ecr/transports.h"

#include <QElapsedTimer>
#include <QThread>

#include <thread>

#include <fcntl.h>
#include <poll.h>
#include <stdlib.h>
#include <termios.h>
#include <unistd.h>

using namespace std::chrono_literals;

namespace dravimo::test {
namespace {

class PseudoTerminal
{
public:
    PseudoTerminal()
    {
        master_ = posix_openpt(O_RDWR | O_NOCTTY);
        if (master_ < 0 || grantpt(master_) != 0 || unlockpt(master_) != 0)
            return;
        termios t{};
        tcgetattr(master_, &t);
        cfmakeraw(&t);
        tcsetattr(master_, TCSANOW, &t);
        slave_ = QString::fromLocal8Bit(ptsname(master_));
    }
    ~PseudoTerminal()
    {
        if (master_ >= 0)
            ::close(master_);
    }
    bool ok() const { return !slave_.isEmpty(); }
    QString slave() const { return slave_; }

    void write(const QByteArray &bytes) { ASSERT_EQ(::write(master_, bytes.data(), bytes.size()), bytes.size()); }

    // Everything the port wrote, once it has been quiet for 100 ms.
    QByteArray readAll()
    {
        QByteArray got;
        pollfd p{master_, POLLIN, 0};
        while (::poll(&p, 1, 100) > 0 && (p.revents & POLLIN)) {
            char buf[512];
            const ssize_t n = ::read(master_, buf, sizeof buf);
            if (n <= 0)
                break;
            got.append(buf, n);
        }
        return got;
    }

private:
    int master_ = -1;
    QString slave_;
};

class SerialPort : public ::testing::Test
{
protected:
    void SetUp() override
    {
        ASSERT_TRUE(pty.ok());
        qputenv("DRAVIMO_COM9", pty.slave().toLocal8Bit());
    }
    void TearDown() override { qunsetenv("DRAVIMO_COM9"); }

    void open(SerialLink &port, const QString &text = QStringLiteral("com9:9600"))
    {
        const auto failure = port.open(text);
        ASSERT_FALSE(failure) << failure->text.toStdString();
    }

    PseudoTerminal pty;
    // Ten times faster than real time: a 256 ms read time-out lasts 26.
    ScaledClock fast{10.0};
};

TEST_F(SerialPort, CommandsGoOutWithTheTerminatorRule)
{
    SerialLink port(fast);
    open(port);
    EXPECT_TRUE(port.isOpen());
    struct Case
    {
        QString command;
        QByteArray wire;
    };
    const QString long300 = QString(300, QLatin1Char('A'));
    const QList<Case> cases = {
        {QStringLiteral("KXCL"), "KXCL\r\n"},
        {QStringLiteral("AB"), "AB"},
        {QStringLiteral("KXCL\r\n"), "KXCL\r\n"},
        {QStringLiteral("KX794ST\r"), "KX794ST\r\r\n"},
        {QStringLiteral("KX") + QChar(0x8D) + QChar(0x2020) + QStringLiteral("ΑΒ"), "KX\x8D\x86\xC1\xC2\r\n"},
        // 255 bytes, then the other 45 characters with the terminator.
        {long300, long300.toLatin1() + "\r\n"},
    };
    for (const Case &c : cases) {
        EXPECT_FALSE(port.send(c.command));
        EXPECT_EQ(pty.readAll(), c.wire) << c.command.toStdString();
    }
}

TEST_F(SerialPort, ReplyBytesBecomeCodePageCharacters)
{
    SerialLink port(fast);
    open(port);
    pty.write("\xC1\xE2 OK\x04");
    EXPECT_EQ(port.receive(), QStringLiteral("Αβ OK") + QChar(4));
}

TEST_F(SerialPort, ReadStopsAt255Bytes)
{
    SerialLink port(fast);
    open(port);
    pty.write(QByteArray(300, 'x'));
    EXPECT_EQ(port.receive().size(), 255);
    EXPECT_EQ(port.receive().size(), 45);
}

TEST_F(SerialPort, EmptyReadWaitsTheReadTimeOut)
{
    SerialLink port(fast);
    open(port);
    QElapsedTimer t;
    t.start();
    EXPECT_TRUE(port.receive().isEmpty());
    EXPECT_GE(t.elapsed(), 20);
    EXPECT_LT(t.elapsed(), 1000);
}

// Before each command the exchange takes what came after the last reply: it
// must get it all and must not wait the read time-out when nothing is there.
TEST_F(SerialPort, DrainTakesWhatWaitsWithoutWaiting)
{
    ScaledClock real;
    SerialLink port(real);
    open(port);
    QElapsedTimer t;
    t.start();
    EXPECT_TRUE(port.drain().isEmpty());
    EXPECT_LT(t.elapsed(), 100); // a read would have taken 256 ms
    pty.write("358OK:1\r\x04");
    pty.write("DE7");
    QString got;
    // No event loop runs here: the drain alone must fetch what the device holds.
    QElapsedTimer waited;
    waited.start();
    while (got.size() < 12 && waited.elapsed() < 2000) {
        got += port.drain();
        QThread::msleep(5);
    }
    EXPECT_EQ(got, QStringLiteral("358OK:1\r") + QChar(4) + QStringLiteral("DE7"));
}

TEST_F(SerialPort, MissingDeviceIsMinusOne)
{
    qputenv("DRAVIMO_COM3", "/dev/dravimo-no-such-port");
    SerialLink port(fast);
    const auto failure = port.open(QStringLiteral("com3:9600"));
    qunsetenv("DRAVIMO_COM3");
    ASSERT_TRUE(failure);
    EXPECT_EQ(failure->code, -1);
    EXPECT_EQ(failure->text, QStringLiteral("Πρόβλημα στην Θύρα :com3:9600"));
    EXPECT_FALSE(port.isOpen());
}

TEST_F(SerialPort, MissingOrBadBaudIsMinusTwo)
{
    for (const QString &text : {QStringLiteral("com9"), QStringLiteral("com9:"), QStringLiteral("com9:fast")}) {
        SerialLink port(fast);
        const auto failure = port.open(text);
        ASSERT_TRUE(failure) << text.toStdString();
        EXPECT_EQ(failure->code, -2) << text.toStdString();
        EXPECT_EQ(failure->text, QStringLiteral("Πρόβλημα στο Set-Up τής Θύρας :") + text);
        EXPECT_FALSE(port.isOpen());
    }
    // The failed set-up let go of the device.
    SerialLink again(fast);
    open(again);
}

TEST_F(SerialPort, DeviceIsHeldExclusively)
{
    SerialLink first(fast);
    open(first);
    SerialLink second(fast);
    const auto failure = second.open(QStringLiteral("com9:9600"));
    ASSERT_TRUE(failure);
    EXPECT_EQ(failure->code, -1);
    first.close();
    SerialLink third(fast);
    open(third);
}

TEST(SerialDeviceName, ComNamesMapToDevices)
{
    qunsetenv("DRAVIMO_COM3");
    EXPECT_EQ(serialDeviceName(QStringLiteral("com3")), QStringLiteral("/dev/ttyS2"));
    qputenv("DRAVIMO_COM2", "/dev/ttyUSB0");
    EXPECT_EQ(serialDeviceName(QStringLiteral("COM2")), QStringLiteral("/dev/ttyUSB0"));
    qunsetenv("DRAVIMO_COM2");
    EXPECT_EQ(serialDeviceName(QStringLiteral("/dev/ttyACM0")), QStringLiteral("/dev/ttyACM0"));
}

// The whole exchange over the pseudo-terminal, on a clock ten times faster.
TEST_F(SerialPort, ExchangeOverTheSerialLink)
{
    ExchangeHarness h;
    Exchange exchange(fast, h.notices, h.log, h.results, NumberFormat(QLatin1Char('.')),
                      [this](const QString &connection) { return openTransport(connection, fast); });
    exchange.setConnection(QStringLiteral("com9:9600"));
    EXPECT_EQ(exchange.send(ecrcommand::raw(kNoReplyCommand), Quiet::Yes).code, 0);
    ASSERT_NE(dynamic_cast<SerialLink *>(exchange.transport()), nullptr);
    EXPECT_EQ(pty.readAll(), QByteArray("KX794ST\r\r\n"));
    // The register answers once the command is on the line: bytes sent
    // before it would be taken for a late reply to an earlier command.
    QByteArray heard;
    std::thread ecr([&] {
        QElapsedTimer waited;
        waited.start();
        while (!heard.endsWith("\r\n") && waited.elapsed() < 5000)
            heard += pty.readAll();
        pty.write("OK\r\x04");
    });
    const CommandResult r = exchange.send(ecrcommand::clear(), Quiet::Yes);
    ecr.join();
    EXPECT_EQ(r.code, 0);
    EXPECT_EQ(r.reply, QStringLiteral("OK"));
    EXPECT_EQ(heard, QByteArray("KXCL\r\n"));
    exchange.close();
    EXPECT_EQ(exchange.transport(), nullptr);
}

} // namespace
} // namespace dravimo::test
