// Scripted faults, the scenario language and the framing of the byte stream.
#include "simtest.h"

#include "sim/control.h"
#include "sim/controlserver.h"
#include "sim/wildcard.h"

#include <QSignalSpy>
#include <QTemporaryDir>

using namespace dravimo;
using namespace dravimo::sim;
using namespace dravimo::sim::test;

namespace {

TEST(Framing, CommandsSplitOverReadsAndSharedReads)
{
    ScaledClock clock;
    EcrSimulator sim{clock};
    EXPECT_TRUE(sim.feed("KX").isEmpty());
    EXPECT_TRUE(sim.feed("CL\r").isEmpty());
    EXPECT_EQ(joinChunks(sim.feed("\nKXSTAT\r\nKX?TO\r\nKXR")), QByteArray("CL:0:0\r\x04STAT:0\r\x04TO:0\r\x04"));
    EXPECT_EQ(joinChunks(sim.feed("E\r\n")), QByteArray("RE:00001:0\r\x04"));
}

TEST(Framing, CommandEndingInItsOwnCarriageReturnGetsNoReply)
{
    ScaledClock clock;
    EcrSimulator sim{clock};
    EXPECT_TRUE(sim.feed("KX794ST\r\r\n").isEmpty());
    EXPECT_EQ(joinChunks(sim.feed("KX794ST\r\n")), QByteArray("OK\r\x04"));
    EXPECT_EQ(sim.trace().entries().size(), 4); // command, "no reply", command, reply
}

TEST(Framing, DatagramsNeedNoLineEnd)
{
    ScaledClock clock;
    EcrSimulator sim{clock};
    EXPECT_EQ(joinChunks(sim.feedDatagram("KXCL\r\n")), QByteArray("CL:0:0\r\x04"));
    EXPECT_EQ(joinChunks(sim.feedDatagram("AB")), QByteArray("DE57"));
}

TEST(Framing, EndlessNoiseIsDropped)
{
    ScaledClock clock;
    EcrSimulator sim{clock};
    sim.feed(QByteArray(EcrSimulator::kMaxCommandBytes + 1, 'x'));
    EXPECT_EQ(joinChunks(sim.feed("KXCL\r\n")), QByteArray("CL:0:0\r\x04"));
}

TEST(Faults, SilentForSomeCommandsThenAlways)
{
    ScaledClock clock;
    EcrSimulator sim{clock};
    control(sim, QStringLiteral("silent 2"));
    EXPECT_EQ(ask(sim, QStringLiteral("KX100R1X")), QString());
    EXPECT_EQ(ask(sim, QStringLiteral("KXCL")), QString());
    EXPECT_EQ(ask(sim, QStringLiteral("KXCL")), QStringLiteral("CL:0:0\r\x04"));
    EXPECT_FALSE(sim.ecr().receipt()); // a silent register did not take the sale
    control(sim, QStringLiteral("silent"));
    EXPECT_EQ(ask(sim, QStringLiteral("KXCL")), QString());
    control(sim, QStringLiteral("silent off"));
    EXPECT_EQ(ask(sim, QStringLiteral("KXCL")), QStringLiteral("CL:0:0\r\x04"));
}

TEST(Faults, ErrorForAPattern)
{
    ScaledClock clock;
    EcrSimulator sim{clock};
    control(sim, QStringLiteral("error 1091 KX*R* times 1"));
    control(sim, QStringLiteral("error 9 \"KX- \""));
    EXPECT_EQ(ask(sim, QStringLiteral("KX100R1X")), QStringLiteral("DE1091"));
    EXPECT_FALSE(sim.ecr().receipt());
    EXPECT_EQ(ask(sim, QStringLiteral("KX100R1X")), QStringLiteral("OK\r\x04"));
    EXPECT_EQ(ask(sim, QStringLiteral("KX- ")), QStringLiteral("DE9"));
    EXPECT_EQ(ask(sim, QStringLiteral("KX- ")), QStringLiteral("DE9"));
    control(sim, QStringLiteral("error off \"KX- \""));
    EXPECT_EQ(ask(sim, QStringLiteral("KX- ")), QStringLiteral("OK\r\x04"));
}

TEST(Faults, PaperOutUntilLoaded)
{
    ScaledClock clock;
    EcrSimulator sim{clock};
    run(sim, {QStringLiteral("KX100R1X")});
    control(sim, QStringLiteral("paper out"));
    EXPECT_EQ(ask(sim, QStringLiteral("KXSTAT")), QStringLiteral("STAT:2\r\x04"));
    EXPECT_EQ(ask(sim, QStringLiteral("KXT1")), QStringLiteral("DE2"));
    // Nor does the cashier's own key get past it.
    EXPECT_EQ(sim.control(QStringLiteral("key KXT1")), QStringLiteral("error: refused: DE2"));
    control(sim, QStringLiteral("paper loaded"));
    EXPECT_EQ(ask(sim, QStringLiteral("KXSTAT")), QStringLiteral("STAT:1\r\x04"));
    EXPECT_EQ(sim.control(QStringLiteral("key KXT1")), QStringLiteral("ok"));
    EXPECT_EQ(ask(sim, QStringLiteral("KXSTAT")), QStringLiteral("STAT:0\r\x04"));
}

TEST(Faults, ZDueUntilTheZReport)
{
    ScaledClock clock;
    EcrSimulator sim{clock};
    control(sim, QStringLiteral("z-due on"));
    EXPECT_EQ(ask(sim, QStringLiteral("KXSTAT")), QStringLiteral("STAT:1031\r\x04"));
    EXPECT_EQ(ask(sim, QStringLiteral("KX100R1X")), QStringLiteral("DE1031"));
    EXPECT_EQ(ask(sim, QStringLiteral("KX021T1")), QStringLiteral("OK\r\x04"));
    EXPECT_EQ(ask(sim, QStringLiteral("KXSTAT")), QStringLiteral("STAT:0\r\x04"));
}

TEST(Faults, DelaySplitAndGarbageShapeTheReply)
{
    ScaledClock clock;
    EcrSimulator sim{clock};
    control(sim, QStringLiteral("delay 30 times 1"));
    control(sim, QStringLiteral("split 3 gap 20 times 1"));
    control(sim, QStringLiteral("garbage hex:ff00 times 1"));
    const QList<Chunk> chunks = sim.feed("KXSTAT\r\n");
    ASSERT_EQ(chunks.size(), 3);
    EXPECT_EQ(chunks[0].delayMs, 30);
    EXPECT_EQ(chunks[1].delayMs, 20);
    EXPECT_EQ(chunks[2].delayMs, 20);
    EXPECT_EQ(joinChunks(chunks), QByteArray::fromHex("ff00") + "STAT:0\r\x04");
    // Used up: the next reply is plain.
    EXPECT_EQ(sim.feed("KXSTAT\r\n"), (QList<Chunk>{Chunk{0, "STAT:0\r\x04"}}));
}

TEST(Faults, NoiseNeverLooksLikeTheEndOfAReply)
{
    const QByteArray noise = noiseBytes(64);
    EXPECT_EQ(noise.size(), 64);
    EXPECT_FALSE(noise.contains('\x04'));
    EXPECT_FALSE(noise.contains('\r'));
    EXPECT_FALSE(noise.contains("DE"));
}

struct Shape
{
    const char *name;
    QByteArray reply;
    Shaping shaping;
    QList<Chunk> chunks;
};

class ShapeReply : public ::testing::TestWithParam<Shape>
{};

TEST_P(ShapeReply, Chunks)
{
    EXPECT_EQ(shapeReply(GetParam().reply, GetParam().shaping), GetParam().chunks);
}

INSTANTIATE_TEST_SUITE_P(
    Faults, ShapeReply,
    ::testing::Values(Shape{"plain", "OK\r\x04", {}, {Chunk{0, "OK\r\x04"}}},
                      Shape{"delayed", "DE6", {500, 1, 0, {}}, {Chunk{500, "DE6"}}},
                      Shape{"halves", "DE1038", {0, 2, 50, {}}, {Chunk{0, "DE1"}, Chunk{50, "038"}}},
                      // More pieces than bytes: one byte each.
                      Shape{"tiny", "OK", {0, 5, 10, {}}, {Chunk{0, "O"}, Chunk{10, "K"}}},
                      Shape{"garbage_first", "OK", {0, 2, 10, "xx"}, {Chunk{0, "xx"}, Chunk{10, "OK"}}},
                      Shape{"nothing", "", {}, {}}),
    [](const ::testing::TestParamInfo<Shape> &info) { return std::string(info.param.name); });

TEST(Wildcard, Patterns)
{
    EXPECT_TRUE(wildcardMatch(QStringLiteral("KX*R*"), QStringLiteral("KX150R2WATER")));
    EXPECT_TRUE(wildcardMatch(QStringLiteral("KXST"), QStringLiteral("KXST")));
    EXPECT_FALSE(wildcardMatch(QStringLiteral("KXST"), QStringLiteral("KXSTAT")));
    EXPECT_TRUE(wildcardMatch(QStringLiteral("KX?TO"), QStringLiteral("KX5TO")));
    EXPECT_TRUE(wildcardMatch(QStringLiteral("KX?TO"), QStringLiteral("KX?TO")));
    EXPECT_FALSE(wildcardMatch(QStringLiteral("KX?TO"), QStringLiteral("KX12TO")));
    EXPECT_TRUE(wildcardMatch(QStringLiteral("*"), QString()));
    EXPECT_TRUE(wildcardMatch(QStringLiteral("*T?P*"), QStringLiteral("KX100T2P1")));
    EXPECT_TRUE(wildcardMatch(QStringLiteral("KXCO */*"), QStringLiteral("KXCO Η/Υ")));
    EXPECT_FALSE(wildcardMatch(QStringLiteral("KX*GE"), QStringLiteral("KX100GEX")));
}

TEST(Wildcard, RegularExpressions)
{
    const QString sale = QStringLiteral("re:KX\\d+R\\d.*");
    EXPECT_TRUE(patternMatch(sale, QStringLiteral("KX150R2WATER")));
    EXPECT_FALSE(patternMatch(sale, QStringLiteral("KXREPTBL"))); // a glob KX*R* would take it
    EXPECT_TRUE(patternMatch(QStringLiteral("KX*R*"), QStringLiteral("KXREPTBL")));
    EXPECT_FALSE(patternMatch(QStringLiteral("re:KXST"), QStringLiteral("KXSTAT"))); // whole command only
    EXPECT_TRUE(patternValid(sale));
    EXPECT_FALSE(patternValid(QStringLiteral("re:KX(")));
}

TEST(Scenario, TriggerFiresBeforeTheMatchingCommand)
{
    ScaledClock clock;
    EcrSimulator sim{clock};
    control(sim, QStringLiteral("on KX*R* paper out"));
    EXPECT_EQ(ask(sim, QStringLiteral("KXSTAT")), QStringLiteral("STAT:0\r\x04"));
    EXPECT_EQ(ask(sim, QStringLiteral("KX100R1X")), QStringLiteral("DE2"));
    // Chained: the second status question after the trigger loads the paper.
    control(sim, QStringLiteral("on KXSTAT on KXSTAT paper loaded"));
    EXPECT_EQ(ask(sim, QStringLiteral("KXSTAT")), QStringLiteral("STAT:2\r\x04"));
    EXPECT_EQ(ask(sim, QStringLiteral("KXSTAT")), QStringLiteral("STAT:0\r\x04"));
}

TEST(Scenario, TimedInstruction)
{
    ScaledClock clock;
    EcrSimulator sim{clock};
    control(sim, QStringLiteral("paper out"));
    control(sim, QStringLiteral("after 20 paper loaded"));
    EXPECT_EQ(sim.ecr().status(), 2);
    EXPECT_TRUE(waitUntil([&] { return sim.ecr().status() == 0; }, 1000));
}

TEST(Scenario, FileWithCommentsAndItsErrors)
{
    QTemporaryDir dir;
    const QString good = dir.filePath(QStringLiteral("good.scn"));
    QFile f(good);
    ASSERT_TRUE(f.open(QIODevice::WriteOnly));
    f.write("# a register that ran out of paper\n\npaper out   # until loaded\n"
            "header \"ΤΑΒΕΡΝΑ Ο ΝΙΚΟΣ\" \"ΑΘΗΝΑ\"\nvat 2 6,5\ncard code 05 times 2\n");
    f.close();
    ScaledClock clock;
    EcrSimulator sim{clock};
    QString error;
    ASSERT_TRUE(sim.loadScenario(good, &error)) << str(error);
    EXPECT_TRUE(sim.ecr().paperOut());
    EXPECT_EQ(sim.ecr().config().header, (QStringList{QStringLiteral("ΤΑΒΕΡΝΑ Ο ΝΙΚΟΣ"), QStringLiteral("ΑΘΗΝΑ")}));
    EXPECT_EQ(sim.ecr().config().vatRates[2], 650);
    EXPECT_EQ(sim.card().queued(), 2);

    const QString bad = dir.filePath(QStringLiteral("bad.scn"));
    QFile b(bad);
    ASSERT_TRUE(b.open(QIODevice::WriteOnly));
    b.write("silent off\ndelay soon\n");
    b.close();
    EXPECT_FALSE(sim.loadScenario(bad, &error));
    EXPECT_TRUE(error.contains(QStringLiteral("bad.scn:2: error"))) << str(error);
    EXPECT_FALSE(sim.loadScenario(dir.filePath(QStringLiteral("missing.scn")), &error));
}

class BadLines : public ::testing::TestWithParam<const char *>
{};

TEST_P(BadLines, AreRefusedWithAReason)
{
    ScaledClock clock;
    EcrSimulator sim{clock};
    const QString result = sim.control(QString::fromUtf8(GetParam()));
    EXPECT_TRUE(result.startsWith(QStringLiteral("error: "))) << str(result);
    EXPECT_TRUE(sim.faults().describe().isEmpty());
}

INSTANTIATE_TEST_SUITE_P(Scenario, BadLines,
                         ::testing::Values("frobnicate", "silent -1", "silent many", "error 6", "error X KXCL",
                                           "error 6 KXCL times 0", "delay", "delay 10 times", "split 0", "split 2 gap",
                                           "garbage", "garbage 0", "garbage \"\"", "paper wet", "z-due maybe",
                                           "status-form json", "card", "card 999", "card code", "card 358 delay",
                                           "card 358 extra", "vat 6 10", "vat 1 abc", "department 3 1",
                                           "department 8 9", "price-limit", "date tomorrow", "z-number 0", "after 10",
                                           "on KXCL", "show everything", "header \"open", "error 6 re:KX(",
                                           "on re:[ paper out", "key"));

TEST(Scenario, DescribeListsWhatIsOn)
{
    ScaledClock clock;
    EcrSimulator sim{clock};
    control(sim, QStringLiteral("silent 3"));
    control(sim, QStringLiteral("error 1091 \"KX*R*\" times 2"));
    control(sim, QStringLiteral("delay 200"));
    EXPECT_EQ(sim.control(QStringLiteral("show faults")).toStdString(),
              "silent 3\nerror 1091 \"KX*R*\" times 2\ndelay 200");
    control(sim, QStringLiteral("reset"));
    EXPECT_EQ(sim.control(QStringLiteral("show faults")), QString());
}

TEST(Scenario, TokenizerEscapes)
{
    QList<Token> tokens;
    QString error;
    ASSERT_TRUE(tokenize(QStringLiteral("garbage \"a\\r\\n\\x04\\\"\" # comment"), tokens, &error));
    ASSERT_EQ(tokens.size(), 2);
    EXPECT_EQ(tokens[1].text, QStringLiteral("a\r\n\x04\""));
    EXPECT_TRUE(tokens[1].quoted);
    EXPECT_FALSE(tokenize(QStringLiteral("x \"\\q\""), tokens, &error));
}

TEST(Trace, ControlBytesAreShown)
{
    EXPECT_EQ(Trace::visible(QByteArray("K\x8a\x85:\r\n\x04\x01\x7f")).toStdString(),
              "K<8a>\u2026:<CR><LF><EOT><01><7f>");
}

TEST(ControlChannel, AnswersAreFramedAndUnframed)
{
    const QStringList answers{QStringLiteral("ok"), QString(), QStringLiteral("line\n.\n..x\n"),
                              QStringLiteral("error: unknown instruction \"x\"")};
    QByteArray stream;
    for (const QString &a : answers)
        stream += frameAnswer(a);
    EXPECT_TRUE(stream.startsWith("ok\n.\n.\nline\n..\n...x\n.\n"));
    // Taken back in pieces, as a socket delivers them.
    QByteArray buffer;
    QStringList back;
    for (char c : stream) {
        buffer += c;
        QString answer;
        if (takeAnswer(buffer, answer))
            back << answer;
    }
    EXPECT_EQ(back, (QStringList{QStringLiteral("ok"), QString(), QStringLiteral("line\n.\n..x"), answers[3]}));
    EXPECT_TRUE(buffer.isEmpty());
}

TEST(Trace, RecordsEveryCommandAndReply)
{
    QTemporaryDir dir;
    ScaledClock clock;
    EcrSimulator sim{clock};
    ASSERT_TRUE(sim.trace().setFile(dir.filePath(QStringLiteral("trace.txt"))));
    control(sim, QStringLiteral("error 6 KXST"));
    ask(sim, QStringLiteral("KXCL"));
    ask(sim, QStringLiteral("KXST"));
    const QString text = sim.trace().text();
    EXPECT_TRUE(text.contains(QStringLiteral("cmd    KXCL\n"))) << str(text);
    EXPECT_TRUE(text.contains(QStringLiteral("reply  CL:0:0<CR><EOT>\n"))) << str(text);
    EXPECT_TRUE(text.contains(QStringLiteral("(scripted error 6)"))) << str(text);
    EXPECT_TRUE(text.contains(QStringLiteral("reply  DE6\n"))) << str(text);
    QFile file(dir.filePath(QStringLiteral("trace.txt")));
    ASSERT_TRUE(file.open(QIODevice::ReadOnly));
    EXPECT_EQ(QString::fromUtf8(file.readAll()), text);
}

} // namespace
