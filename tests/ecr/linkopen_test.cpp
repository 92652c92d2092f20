// Which transport a command takes, what an open failure reports, and how the
// link is closed at exit.
#include "ecr_fixture.h"

#include "ecr/seriallink.h"
#include "ecr/transports.h"
#include "ecr/udplink.h"

namespace dravimo::test {
namespace {

// The exchange with the program's own choice of transport.
class LinkOpen : public ::testing::Test
{
protected:
    void SetUp() override { qputenv("DRAVIMO_COM5", "/dev/dravimo-no-such-port"); }
    void TearDown() override { qunsetenv("DRAVIMO_COM5"); }

    CommandResult send(const QString &command, Quiet quiet = Quiet::No) { return exchange.send(command, quiet); }
    QStringList resultLines() const { return h.resultLines(); }

    ExchangeHarness h;
    Exchange exchange{
        h.clock, h.notices, h.log, h.results, NumberFormat(QLatin1Char('.')), [this](const QString &connection) {
            return openTransport(connection, h.clock);
        }};
};

TEST_F(LinkOpen, SerialOpenFailureStopsTheCommandAndIsNotRetried)
{
    exchange.setConnection(QStringLiteral("com5:9600"));
    const CommandResult r = send(QStringLiteral("KXCL"));
    EXPECT_EQ(r.code, -1);
    EXPECT_EQ(r.reply, QStringLiteral("Πρόβλημα στην Θύρα :com5:9600"));
    EXPECT_TRUE(h.logLines.lines.isEmpty());
    EXPECT_TRUE(resultLines().isEmpty());
    Transport *failed = exchange.transport();
    ASSERT_NE(dynamic_cast<SerialLink *>(failed), nullptr);

    // The failed port stays: the next command runs against it and meets
    // silence.
    EXPECT_EQ(send(QStringLiteral("KXCL"), Quiet::Yes).code, -4);
    EXPECT_EQ(exchange.transport(), failed);
    EXPECT_EQ(resultLines().size(), 1);
}

TEST_F(LinkOpen, OnlyALowerCaseComPrefixChoosesTheSerialPortButClosingIgnoresCase)
{
    exchange.setConnection(QStringLiteral("Com5:9600"));
    send(QStringLiteral("KXCL"), Quiet::Yes);
    EXPECT_NE(dynamic_cast<UdpLink *>(exchange.transport()), nullptr);
    exchange.close();
    EXPECT_EQ(exchange.transport(), nullptr);
}

TEST(LinkClose, OnlyASerialLinkIsOpenedAfreshAfterClosing)
{
    ExchangeHarness h;
    MemoryTransport *line = h.line;
    h.exchange.send(QStringLiteral("KX794ST\r"));
    h.exchange.setConnection(QStringLiteral("192.168.1.20:4001"));
    h.exchange.close();
    EXPECT_EQ(h.exchange.transport(), line);
    EXPECT_TRUE(line->closed());
    h.exchange.setConnection(QStringLiteral("COM1:9600"));
    h.exchange.close();
    EXPECT_EQ(h.exchange.transport(), nullptr);
    h.exchange.close(); // nothing left to close
}

} // namespace
} // namespace dravimo::test
