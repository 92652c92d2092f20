// Which transport a command takes, what an open failure reports, and how the
// link is closed at exit.
#include "testkit.h"

#include "ecr/ccom.h"
#include "ecr/cportprop.h"
#include "ecr/ctcpip.h"

namespace dravimo::test {
namespace {

class LinkOpen : public EcrFixture
{
protected:
    void SetUp() override
    {
        EcrFixture::SetUp();
        module.setActivePort(nullptr);
        qputenv("DRAVIMO_COM5", "/dev/dravimo-no-such-port");
    }
    void TearDown() override
    {
        qunsetenv("DRAVIMO_COM5");
        EcrFixture::TearDown();
    }
};

TEST_F(LinkOpen, SerialOpenFailureStopsTheCommandAndIsNotRetried)
{
    shared().connectionString = QStringLiteral("com5:9600");
    const QString reply = send(QStringLiteral("KXCL"));
    EXPECT_EQ(shared().lastResultCode, -1);
    EXPECT_EQ(reply, QStringLiteral("Πρόβλημα στην Θύρα :com5:9600"));
    EXPECT_TRUE(log.lines.isEmpty());
    EXPECT_TRUE(resultLines().isEmpty());
    Transport *failed = module.ActivePort();
    ASSERT_NE(dynamic_cast<cCom *>(failed), nullptr);

    // The failed port stays in the slot: the next command runs against it and
    // meets silence.
    send(QStringLiteral("KXCL"), -1);
    EXPECT_EQ(module.ActivePort(), failed);
    EXPECT_EQ(shared().lastResultCode, -4);
    EXPECT_EQ(resultLines().size(), 1);
}

TEST_F(LinkOpen, OnlyALowerCaseComPrefixChoosesTheSerialPort)
{
    shared().connectionString = QStringLiteral("Com5:9600");
    send(QStringLiteral("KXCL"), -1);
    EXPECT_NE(dynamic_cast<cTCPIP *>(module.ActivePort()), nullptr);
    // ...but closing compares without regard to case, and treats it as serial.
    module.CloseLink(QStringLiteral("Com5:9600"));
    EXPECT_EQ(module.ActivePort(), nullptr);
}

TEST_F(LinkOpen, EveryCommandStartsWithACleanStatus)
{
    auto memory = std::make_unique<MemoryTransport>();
    MemoryTransport *m = memory.get();
    module.setActivePort(std::move(memory));
    m->Result = -3;
    m->exResult = QStringLiteral("old");
    m->queueReply(eot("OK"));
    EXPECT_EQ(send(QStringLiteral("KXCL")), QStringLiteral("OK"));
    EXPECT_EQ(shared().lastResultCode, 0);
}

TEST_F(LinkOpen, CloseLinkEmptiesTheSlotOnlyForSerialLinks)
{
    auto memory = std::make_unique<MemoryTransport>();
    MemoryTransport *m = memory.get();
    module.setActivePort(std::move(memory));
    module.CloseLink(QStringLiteral("192.168.1.20:4001"));
    EXPECT_EQ(module.ActivePort(), m);
    EXPECT_FALSE(m->shutDown());
    module.CloseLink(QStringLiteral("COM1:9600"));
    EXPECT_EQ(module.ActivePort(), nullptr);
    module.CloseLink(QStringLiteral("com1:9600")); // nothing left to close
}

TEST(PortProp, RecordStartsEmptyAndMakesItsNetworkLinkOnDemand)
{
    cPortProp record;
    EXPECT_EQ(record.isConnected, 0);
    EXPECT_EQ(record.tcpPort, 0);
    EXPECT_EQ(record.comHandle, 0);
    cTCPIP &first = record.TCPClass();
    EXPECT_EQ(&record.TCPClass(), &first);
    EXPECT_EQ(first.SocketHnd(), 0);
}

TEST(FiscalTecSlot, TestsCanSubstituteTheModule)
{
    FiscalTec stand;
    FiscalTec &program = fiscalTec();
    setFiscalTec(&stand);
    EXPECT_EQ(&fiscalTec(), &stand);
    setFiscalTec(nullptr);
    EXPECT_EQ(&fiscalTec(), &program);
}

} // namespace
} // namespace dravimo::test
