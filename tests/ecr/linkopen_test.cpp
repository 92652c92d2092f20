// Which transport a command takes, what an open failure reports, and how the
// link is closed at exit.
#include "ecr_fixture.h"

#include "core/waitlimit.h"
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

    CommandResult send(const QString &command, Quiet quiet = Quiet::No) { return exchange.send(ecrcommand::raw(command), quiet); }
    QStringList resultLines() const { return h.resultLines(); }

    ExchangeHarness h;
    Exchange exchange{
        h.clock, h.notices, h.log, h.results, NumberFormat(QLatin1Char('.')), [this](const QString &connection) {
            return openTransport(connection, h.clock);
        }};
};

TEST_F(LinkOpen, SerialOpenFailureStopsTheCommandAndIsTriedAgainByTheNext)
{
    exchange.setConnection(QStringLiteral("com5:9600"));
    const CommandResult r = send(QStringLiteral("KXCL"));
    EXPECT_EQ(r.code, -1);
    EXPECT_EQ(r.reply, QStringLiteral("Πρόβλημα στην Θύρα :com5:9600"));
    EXPECT_TRUE(h.logLines.lines.isEmpty());
    EXPECT_TRUE(resultLines().isEmpty());
    EXPECT_EQ(exchange.transport(), nullptr);

    // An adapter unplugged at the first command may be back at the next: the
    // port is opened again, not run closed into silence.
    const qint64 start = h.clock.nowMs();
    EXPECT_EQ(send(QStringLiteral("KXCL"), Quiet::Yes).code, -1);
    EXPECT_LT(h.clock.nowMs() - start, 1000);
    EXPECT_EQ(h.logLines.lines, QStringList{QStringLiteral("45:10 Η θύρα ανοίγει ξανά: com5:9600")});
}

// A serial line that fell silent (an adapter pulled out and plugged back is a
// new device behind the same name) is closed and opened afresh by the next
// command; a register missing past the limit ends the run, once per command
// that finds it still missing, and any reply at all starts the count again.
TEST(LinkHeals, SilentSerialLineIsReopenedAndAMissingRegisterEndsTheRunPastTheLimit)
{
    ExchangeHarness h;
    int opens = 0;
    bool registerOn = false;
    Exchange exchange(h.clock, h.notices, h.log, h.results, NumberFormat(QLatin1Char('.')), [&](const QString &) {
        ++opens;
        auto line = std::make_unique<MemoryTransport>(h.clock);
        line->responder = [&](const QString &) {
            return registerOn ? MemoryTransport::Reply{{eot("OK"), Millis(0)}} : MemoryTransport::Reply{};
        };
        return OpenedTransport{std::move(line), std::nullopt};
    });
    QStringList notices;
    QStringList alerts;
    exchange.setLinkNotice([&](const QString &text) { notices.append(text); });
    const WaitLimit limit(Millis{60000}, [&](const QString &alert) { alerts.append(alert); });
    exchange.setMissingLimit(&limit);
    exchange.setConnection(QStringLiteral("com1:9600"));
    const auto send = [&] { return exchange.send(ecrcommand::clear(), Quiet::Yes).code; };

    EXPECT_EQ(send(), -4); // 28 s missing
    EXPECT_EQ(send(), -4); // 56 s
    EXPECT_TRUE(alerts.isEmpty());
    EXPECT_EQ(send(), -4); // 84 s: past the limit
    ASSERT_EQ(alerts.size(), 1);
    EXPECT_TRUE(alerts[0].contains(QStringLiteral(" 60 s "))) << alerts[0].toStdString();
    EXPECT_EQ(opens, 3);
    EXPECT_EQ(notices, QStringList(2, QStringLiteral("Η θύρα ανοίγει ξανά: com1:9600")));

    // The register is back: the next command finds it on a fresh port, and a
    // later silence counts from its own start.
    registerOn = true;
    EXPECT_EQ(send(), 0);
    EXPECT_EQ(send(), 0);
    EXPECT_EQ(opens, 4); // an answering port is kept
    registerOn = false;
    EXPECT_EQ(send(), -4);
    EXPECT_EQ(send(), -4);
    EXPECT_EQ(alerts.size(), 1);
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
    h.exchange.send(ecrcommand::raw(kNoReplyCommand));
    Transport *opened = h.exchange.transport();
    h.exchange.setConnection(QStringLiteral("192.168.1.20:4001"));
    h.exchange.close();
    EXPECT_EQ(h.exchange.transport(), opened);
    EXPECT_TRUE(line->closed());
    h.exchange.setConnection(QStringLiteral("COM1:9600"));
    h.exchange.close();
    EXPECT_EQ(h.exchange.transport(), nullptr);
    h.exchange.close(); // nothing left to close
}

} // namespace
} // namespace dravimo::test
