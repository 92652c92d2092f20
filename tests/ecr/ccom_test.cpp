// The serial transport against a pseudo-terminal: the test holds the master
// side and plays the register.
#include "testkit.h"

#include "ecr/ccom.h"

#include <QElapsedTimer>

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

    void open(cCom &port, const QString &text = QStringLiteral("com9:9600"))
    {
        port.OpenConnection(text);
        ASSERT_EQ(port.Result, 0) << port.exResult.toStdString();
    }

    PseudoTerminal pty;
};

TEST_F(SerialPort, CommandsGoOutWithTheTerminatorRule)
{
    cCom port;
    open(port);
    EXPECT_NE(port.ComHndle, 0);
    struct Case
    {
        QString command;
        QByteArray wire;
        int returned;
    };
    const QString long300 = QString(300, QLatin1Char('A'));
    const QList<Case> cases = {
        {QStringLiteral("KXCL"), "KXCL\r\n", 6},
        {QStringLiteral("AB"), "AB", 2},
        {QStringLiteral("KXCL\r\n"), "KXCL\r\n", 6},
        {QStringLiteral("KX794ST\r"), "KX794ST\r\r\n", 10},
        {QStringLiteral("KX") + QChar(0x8D) + QChar(0x2020) + QStringLiteral("ΑΒ"), "KX\x8D\x86\xC1\xC2\r\n", 8},
        // 255 bytes, then the other 45 characters with the terminator.
        {long300, long300.toLatin1() + "\r\n", 0},
    };
    for (const Case &c : cases) {
        EXPECT_EQ(port.sendData(c.command), c.returned);
        EXPECT_EQ(pty.readAll(), c.wire) << c.command.toStdString();
    }
}

TEST_F(SerialPort, ReplyBytesBecomeCodePageCharacters)
{
    cCom port;
    open(port);
    pty.write("\xC1\xE2 OK\x04");
    EXPECT_EQ(port.ReceiveData(), QStringLiteral("Αβ OK") + QChar(4));
}

TEST_F(SerialPort, ReadStopsAt255Bytes)
{
    cCom port;
    open(port);
    pty.write(QByteArray(300, 'x'));
    EXPECT_EQ(port.ReceiveData().size(), 255);
    EXPECT_EQ(port.ReceiveData().size(), 45);
}

TEST_F(SerialPort, EmptyReadWaitsTheReadTimeOut)
{
    cCom port;
    open(port);
    // Ten times faster than real time: 256 ms become about 26.
    ScopedClock fast(std::make_unique<ScaledClock>(10.0));
    QElapsedTimer t;
    t.start();
    EXPECT_TRUE(port.ReceiveData().isEmpty());
    EXPECT_GE(t.elapsed(), 20);
    EXPECT_LT(t.elapsed(), 1000);
}

TEST_F(SerialPort, MissingDeviceIsMinusOne)
{
    qputenv("DRAVIMO_COM3", "/dev/dravimo-no-such-port");
    cCom port;
    port.OpenConnection(QStringLiteral("com3:9600"));
    qunsetenv("DRAVIMO_COM3");
    EXPECT_EQ(port.Result, -1);
    EXPECT_EQ(port.exResult, QStringLiteral("Πρόβλημα στην Θύρα :com3:9600"));
    EXPECT_EQ(port.ComHndle, 0);
}

TEST_F(SerialPort, MissingOrBadBaudIsMinusTwo)
{
    for (const QString &text : {QStringLiteral("com9"), QStringLiteral("com9:"), QStringLiteral("com9:fast")}) {
        cCom port;
        port.OpenConnection(text);
        EXPECT_EQ(port.Result, -2) << text.toStdString();
        EXPECT_EQ(port.exResult, QStringLiteral("Πρόβλημα στο Set-Up τής Θύρας :") + text);
        EXPECT_EQ(port.ComHndle, 0);
    }
    // The failed set-up let go of the device.
    cCom again;
    open(again);
}

TEST_F(SerialPort, DeviceIsHeldExclusively)
{
    cCom first;
    open(first);
    cCom second;
    second.OpenConnection(QStringLiteral("com9:9600"));
    EXPECT_EQ(second.Result, -1);
    first.ShutdownConnection();
    EXPECT_NE(first.ComHndle, 0); // kept, as the record reads it
    cCom third;
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
    ScopedClock fast(std::make_unique<ScaledClock>(10.0));
    shared() = SharedState{};
    shared().connectionString = QStringLiteral("com9:9600");
    FiscalTec module;
    QString reply;
    qint16 result = 99;
    module.SendCommand(QStringLiteral("KX794ST\r"), result, reply, -1);
    EXPECT_EQ(result, 0);
    ASSERT_NE(dynamic_cast<cCom *>(module.ActivePort()), nullptr);
    EXPECT_EQ(pty.readAll(), QByteArray("KX794ST\r\r\n"));
    pty.write("OK\r\x04");
    module.SendCommand(QStringLiteral("KXCL"), result, reply, -1);
    EXPECT_EQ(result, 0);
    EXPECT_EQ(reply, QStringLiteral("OK"));
    EXPECT_EQ(pty.readAll(), QByteArray("KXCL\r\n"));
    module.CloseLink(QStringLiteral("com9:9600"));
    EXPECT_EQ(module.ActivePort(), nullptr);
    shared() = SharedState{};
}

} // namespace
} // namespace dravimo::test
