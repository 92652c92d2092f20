// The ecrsim program itself: what a user (or an end-to-end test) starts.
#include "simtest.h"

#include "sim/controlserver.h"

#include <QNetworkDatagram>
#include <QProcess>
#include <QTemporaryDir>
#include <QUdpSocket>

#ifdef Q_OS_UNIX
#include <fcntl.h>
#include <termios.h>
#include <unistd.h>
#endif

using namespace dravimo;
using namespace dravimo::sim;
using namespace dravimo::sim::test;

namespace {

QString ecrsimPath()
{
    return QStringLiteral(ECRSIM_PATH);
}

class Program : public ::testing::Test
{
protected:
    void SetUp() override { ASSERT_TRUE(dir.isValid()); }

    void TearDown() override
    {
        if (process.state() != QProcess::NotRunning) {
            process.kill();
            process.waitForFinished(2000);
        }
    }

    // Starts ecrsim and returns the first line it prints.
    QString start(const QStringList &arguments)
    {
        process.start(ecrsimPath(), arguments);
        if (!process.waitForStarted(5000))
            return QString();
        waitUntil([&] { return process.canReadLine() || process.state() == QProcess::NotRunning; }, 5000);
        return QString::fromUtf8(process.readLine()).trimmed();
    }

    QString controlName() const { return dir.filePath(QStringLiteral("ctl")); }

    QTemporaryDir dir;
    QProcess process;
};

#ifdef Q_OS_UNIX
TEST_F(Program, SerialPrintsTheDeviceAndKeepsTheRoll)
{
    const QString roll = dir.filePath(QStringLiteral("roll.txt"));
    const QString device =
        start({QStringLiteral("--serial"), QStringLiteral("--roll"), roll, QStringLiteral("--control"), controlName(),
               QStringLiteral("--set"), QStringLiteral("card delay 10")});
    ASSERT_TRUE(device.startsWith(QStringLiteral("/dev/")))
        << str(device) << process.readAllStandardError().toStdString();

    const int fd = ::open(device.toLocal8Bit().constData(), O_RDWR | O_NOCTTY | O_NONBLOCK);
    ASSERT_GE(fd, 0);
    termios t{};
    ::tcgetattr(fd, &t);
    ::cfmakeraw(&t);
    ::tcsetattr(fd, TCSANOW, &t);
    const QByteArray commands = "KX150R2WATER\r\nKXT1\r\n";
    ASSERT_EQ(::write(fd, commands.constData(), size_t(commands.size())), commands.size());
    QByteArray replies;
    waitUntil(
        [&] {
            char buffer[256];
            const ssize_t n = ::read(fd, buffer, sizeof buffer);
            if (n > 0)
                replies += QByteArray(buffer, int(n));
            return replies == "OK\r\x04OK\r\x04";
        },
        5000);
    ::close(fd);
    EXPECT_EQ(replies, QByteArray("OK\r\x04OK\r\x04"));

    QStringList answers;
    QString error;
    ASSERT_TRUE(sendControlLines(
        controlName(), {QStringLiteral("show status"), QStringLiteral("paper out"), QStringLiteral("nonsense")},
        answers, &error))
        << str(error);
    EXPECT_TRUE(answers[0].startsWith(QStringLiteral("status 0, receipt none"))) << str(answers[0]);
    EXPECT_EQ(answers[1], QStringLiteral("ok"));
    EXPECT_TRUE(answers[2].startsWith(QStringLiteral("error: unknown instruction")));

    QFile file(roll);
    ASSERT_TRUE(file.open(QIODevice::ReadOnly));
    const QString text = QString::fromUtf8(file.readAll());
    EXPECT_TRUE(text.contains(QStringLiteral("WATER                 1,50 Β\n"))) << str(text);
    EXPECT_TRUE(text.contains(QStringLiteral("ΑΡ. ΑΠΟΔΕΙΞΗΣ              1\n"))) << str(text);

    // The command-line client, then a clean exit on request.
    QProcess client;
    client.start(ecrsimPath(),
                 {QStringLiteral("--send"), controlName(), QStringLiteral("show faults"), QStringLiteral("quit")});
    ASSERT_TRUE(client.waitForFinished(5000));
    EXPECT_EQ(client.exitCode(), 0);
    EXPECT_EQ(QString::fromUtf8(client.readAllStandardOutput()), QStringLiteral("\nok\n"));
    EXPECT_TRUE(process.waitForFinished(5000));
    EXPECT_EQ(process.exitCode(), 0);
}
#endif

TEST_F(Program, UdpPrintsWhereItListens)
{
    const QString where =
        start({QStringLiteral("--udp"), QStringLiteral("127.0.0.1:0"), QStringLiteral("--print-roll")});
    ASSERT_TRUE(where.startsWith(QStringLiteral("127.0.0.1:"))) << str(where);
    QUdpSocket client;
    ASSERT_TRUE(client.bind(QHostAddress::LocalHost, 0));
    client.writeDatagram("KX100R1X\r\n", QHostAddress::LocalHost, quint16(where.section(QLatin1Char(':'), 1).toUInt()));
    QByteArray reply;
    waitUntil(
        [&] {
            if (client.hasPendingDatagrams())
                reply = client.receiveDatagram().data();
            return !reply.isEmpty();
        },
        5000);
    EXPECT_EQ(reply, QByteArray("OK\r\x04"));
    // The roll goes to standard output after the address.
    QString output;
    EXPECT_TRUE(waitUntil(
        [&] {
            output += QString::fromUtf8(process.readAllStandardOutput());
            return output.contains(QStringLiteral("X                     1,00 Α"));
        },
        5000))
        << str(output);
}

TEST_F(Program, BadScenarioStopsTheStart)
{
    start({QStringLiteral("--serial"), QStringLiteral("--set"), QStringLiteral("delay soon")});
    ASSERT_TRUE(process.state() == QProcess::NotRunning || process.waitForFinished(5000));
    EXPECT_EQ(process.exitCode(), 2);
    EXPECT_TRUE(process.readAllStandardError().contains("delay soon"));
}

TEST_F(Program, SendWithoutASimulatorFails)
{
    QProcess client;
    client.start(ecrsimPath(),
                 {QStringLiteral("--send"), dir.filePath(QStringLiteral("nobody")), QStringLiteral("show status")});
    ASSERT_TRUE(client.waitForFinished(10000));
    EXPECT_EQ(client.exitCode(), 2);
}

} // namespace
