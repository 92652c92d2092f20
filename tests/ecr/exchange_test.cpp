// The command exchange against scripted register replies on an in-memory line
// and a virtual clock: what the caller gets back, what went over the wire,
// what the operator saw, and what reached the log and the result file.
#include "ecr_fixture.h"

#include "core/files.h"
#include "core/metricnames.h"
#include "core/metrics.h"

#include <QDir>

using namespace std::chrono_literals;

namespace dravimo::test {
namespace {

const QString kNoAnswer = QStringLiteral("Ο Φορολ. Εκτυπωτής δεν Απαντά σε εντολή !");
const QString kDate = QStringLiteral("07/12/2026 03:45:10");

using Exchange = EcrFixture;
using dravimo::formatForLog;

TEST_F(Exchange, CompleteReplyGivesTextWithoutCrAndEotAndFourLogLines)
{
    line->queueReply(eot("OK"));
    const QString reply = send(QStringLiteral("KXCL"));
    EXPECT_EQ(last.code, 0);
    EXPECT_EQ(reply, QStringLiteral("OK"));
    EXPECT_EQ(line->wire(), QByteArray("KXCL\r\n"));
    EXPECT_EQ(logLines.lines,
              (QStringList{
                  QStringLiteral("45:10       send:[KXCL]"),
                  QStringLiteral("45:10      reply: OKASC(13) ASC(4) "),
                  QStringLiteral("45:10      reply: OKASC(13) ASC(4) "),
                  QStringLiteral("45:10 -----------"),
              }));
    EXPECT_TRUE(window.boxes.isEmpty());
    EXPECT_TRUE(resultLines().isEmpty());
}

TEST_F(Exchange, ReplySplitOverSeveralReadsIsGathered)
{
    line->queueReply({{"12:00", 0ms}, {"123:", 300ms}, {"17\r\x04", 900ms}});
    EXPECT_EQ(send(QStringLiteral("KXRE")), QStringLiteral("12:00123:17"));
    EXPECT_EQ(last.code, 0);
    EXPECT_GE(line->reads(), 3);
}

struct ErrorCase
{
    const char *reply;
    qint16 result;
    const char *replyText;
    bool boxShown;
    bool errLine;
};

class ErrorReplies : public EcrFixture, public ::testing::WithParamInterface<ErrorCase>
{};

TEST_P(ErrorReplies, GiveTheCodeShowTheErrorAndClearTheRegister)
{
    const ErrorCase &c = GetParam();
    line->queueReply(eot(c.reply));
    line->queueReply(eot("OK")); // the answer to the clearing "KXCL"
    const QString reply = send(QStringLiteral("KX1000R1ABC"));
    EXPECT_EQ(last.code, c.result);
    EXPECT_EQ(reply, QString::fromLatin1(c.replyText));
    EXPECT_EQ(line->written(), (QStringList{QStringLiteral("KX1000R1ABC\r\n"), QStringLiteral("KXCL\r\n")}));
    EXPECT_EQ(window.boxes.size(), c.boxShown ? 1 : 0);
    const QStringList lines = resultLines();
    const QStringList expected = c.errLine
        ? QStringList{QStringLiteral("Err = %1, [KX1000R1ABC] DateTime = %2").arg(c.result).arg(kDate)}
        : QStringList{};
    EXPECT_EQ(lines, expected);
    // The clear has no log line of its own.
    EXPECT_EQ(logLines.lines.size(), 3);
}

INSTANTIATE_TEST_SUITE_P(Codes, ErrorReplies,
                         ::testing::Values(ErrorCase{"DE7", 7, "7", true, true},
                                           ErrorCase{"DE1038 OPEN RECEIPT", 1038, "1038", true, true},
                                           ErrorCase{"DE00", 0, "0", false, false},
                                           // "0" is not the register's "no error" word: shown, yet success.
                                           ErrorCase{"DE0", 0, "0", true, false},
                                           // An unreadable code must not pass for success.
                                           ErrorCase{"DEX", -99, "-99", true, true}));

TEST_F(Exchange, ErrorReplyBoxAndCaption)
{
    line->queueReply(eot("DE7"));
    send(QStringLiteral("KXST"));
    const QString message = QStringLiteral("Πρόβλημα στην Φορολογική Μνήμη !\rΚαλέστε τεχνικό !");
    ASSERT_EQ(window.boxes.size(), 1);
    EXPECT_EQ(window.boxes[0].text, QStringLiteral("Λάθος : 7\r") + message);
    EXPECT_EQ(window.boxes[0].code, mb::Critical + mb::SystemModal);
    EXPECT_EQ(window.boxes[0].title, QStringLiteral("Dravimo4_QEB"));
    EXPECT_EQ(window.caption(), QStringLiteral("Σφάλμα !!!") + message);
}

TEST_F(Exchange, QuietErrorReplyShowsNothingButStillFails)
{
    line->queueReply(eot("DE2"));
    EXPECT_EQ(send(QStringLiteral("KXST"), Quiet::Yes), QStringLiteral("2"));
    EXPECT_EQ(last.code, 2);
    EXPECT_TRUE(window.boxes.isEmpty());
    EXPECT_TRUE(window.captions.isEmpty());
    EXPECT_EQ(resultLines().size(), 1);
}

// Replies as a bad line delivers them: a refusal is a refusal wherever the
// noise puts it and however its code is cut, a text reply holding "DE" is a
// text reply, and the verdict never needs the command sent a second time.
struct LineCase
{
    const char *name;
    MemoryTransport::Reply reply;
    qint16 code;
    const char *text;
    int written; // the command, and "KXCL" after a refusal
};

class BadLine : public EcrFixture, public ::testing::WithParamInterface<LineCase>
{};

TEST_P(BadLine, RepliesAreReadForWhatTheyAre)
{
    const LineCase &c = GetParam();
    line->queueReply(c.reply);
    line->queueReply(eot("OK")); // the answer to a clearing "KXCL"
    EXPECT_EQ(send(QStringLiteral("KX1000R1ABC"), Quiet::Yes), QString::fromLatin1(c.text));
    EXPECT_EQ(last.code, c.code);
    EXPECT_EQ(line->written().size(), c.written);
    EXPECT_EQ(line->written().first(), QStringLiteral("KX1000R1ABC\r\n"));
}

INSTANTIATE_TEST_SUITE_P(
    Cases, BadLine,
    ::testing::Values(
        // Taken as success before: the reply was judged by its first bytes.
        LineCase{"noise before a refusal", {{QByteArray("\x00\x7f" "DE1031", 8), 0ms}}, 1031, "1031", 2},
        LineCase{"noise holding letters before a refusal", {{QByteArray("\xff" "U" "\x1b" "DE2"), 0ms}}, 2, "2", 2},
        // Read as 10 (or -99) before: the digits came in a later read.
        LineCase{"code split across reads", {{"DE10", 0ms}, {"31", 100ms}}, 1031, "1031", 2},
        LineCase{"mark split from its code", {{"DE", 0ms}, {"6", 100ms}}, 6, "6", 2},
        LineCase{"refusal ended by CR EOT", {{"DE7\r\x04", 0ms}}, 7, "7", 2},
        // A table's name: cut at "DE" before.
        LineCase{"text holding DE", {{"1:ODE", 0ms}, {"SSA:3\r\x04", 100ms}}, 0, "1:ODESSA:3", 1},
        LineCase{"text holding DE and digits", {{"1:CODE12", 0ms}, {":3\r\x04", 50ms}}, 0, "1:CODE12:3", 1},
        // A reply whose end came in the read that crossed the answer window
        // is the reply: the command is not sent again.
        LineCase{"reply ending just past the window", {{"O", 6800ms}, {"K\r\x04", 7010ms}}, 0, "OK", 1}),
    [](const auto &info) {
        QString name = QString::fromLatin1(info.param.name);
        name.replace(QLatin1Char(' '), QLatin1Char('_'));
        return name.toStdString();
    });

TEST_F(Exchange, SilenceIsTriedFourTimesAndGivesMinusFour)
{
    const qint64 start = nowMs();
    EXPECT_EQ(send(QStringLiteral("KXCL")), kNoAnswer);
    const qint64 took = nowMs() - start;
    EXPECT_EQ(last.code, -4);
    EXPECT_EQ(line->written(), QStringList(4, QStringLiteral("KXCL\r\n")));
    EXPECT_GE(took, 28000);
    EXPECT_LT(took, 30000);
    ASSERT_EQ(window.boxes.size(), 1);
    EXPECT_EQ(window.boxes[0].text, kNoAnswer); // longer than 40: not padded
    EXPECT_EQ(window.boxes[0].code, mb::Information + mb::SystemModal);
    EXPECT_EQ(window.boxes[0].title, QStringLiteral("Μύνημα Φορολ. Εκτυπωτή"));
    EXPECT_EQ(window.caption(), QStringLiteral("Σφάλμα !!!") + kNoAnswer);
    EXPECT_EQ(resultLines(), QStringList{QStringLiteral("Err = -4, [KXCL] DateTime = ") + kDate});
    // Four send lines and nothing else.
    EXPECT_EQ(logLines.lines, QStringList(4, QStringLiteral("45:10       send:[KXCL]")));
}

// A command that changes the register is never sent again for want of a
// reply: one window, then -4 for its caller to settle, and nothing shown or
// written (the settling tells the host). Its late reply is taken before the
// next command, never as that command's reply.
TEST_F(Exchange, CommandSentOnceIsNotRepeatedOnSilence)
{
    line->queueReply({{"OK\r\x04", 9000ms}});
    line->queueReply(eot("STAT:1"));
    const qint64 start = nowMs();
    last = exchange.sendOnce(ecrcommand::raw(QStringLiteral("KX200R1ITEM1")));
    EXPECT_EQ(last.code, -4);
    EXPECT_GE(nowMs() - start, 7000);
    EXPECT_LT(nowMs() - start, 8000);
    EXPECT_EQ(line->written(), QStringList{QStringLiteral("KX200R1ITEM1\r\n")});
    EXPECT_TRUE(window.boxes.isEmpty());
    EXPECT_TRUE(resultLines().isEmpty());
    clock.advance(Millis(2000));
    EXPECT_EQ(send(QStringLiteral("KXSTAT")), QStringLiteral("STAT:1"));
}

// Found by fuzzing: a footer line goes out with its own CR LF, and its Err
// line broke in two in the result file.
TEST_F(Exchange, ErrLineOfACommandWithItsOwnLineEndStaysOneLine)
{
    send(QStringLiteral("KX10PLTHANKS\r\n"), Quiet::Yes);
    EXPECT_EQ(line->written(), QStringList(4, QStringLiteral("KX10PLTHANKS\r\n")));
    EXPECT_EQ(resultLines(), QStringList{QStringLiteral("Err = -4, [KX10PLTHANKS] DateTime = ") + kDate});
}

TEST_F(Exchange, QuietSilenceShowsNothing)
{
    send(QStringLiteral("KXSTAT"), Quiet::Yes);
    EXPECT_EQ(last.code, -4);
    EXPECT_TRUE(window.boxes.isEmpty());
    EXPECT_TRUE(window.captions.isEmpty());
}

TEST_F(Exchange, NoReplyCommandIsSentOnceWithoutWaiting)
{
    const QString reply = send(QStringLiteral("KX794ST\r"));
    EXPECT_EQ(last.code, 0);
    EXPECT_TRUE(reply.isEmpty());
    EXPECT_EQ(line->wire(), QByteArray("KX794ST\r\r\n"));
    EXPECT_EQ(line->reads(), 0);
    EXPECT_EQ(logLines.lines, QStringList{QStringLiteral("45:10       send:[KX794ST\r]")});
}

TEST_F(Exchange, AsyncReplyReplacesTheFirst)
{
    line->queueReply({{eot("OK"), 0ms}, {"358OK:1:2", 30000ms}, {eot(":3"), 31000ms}});
    const qint64 start = nowMs();
    EXPECT_EQ(send(QStringLiteral("KX1000T3P1"), Quiet::No, Seconds{200}), QStringLiteral("358OK:1:2:3"));
    EXPECT_EQ(last.code, 0);
    const qint64 took = nowMs() - start;
    EXPECT_GE(took, 32000); // the card answer, then the 2-second pause
    EXPECT_LT(took, 34000);
    ASSERT_EQ(window.dialogs.size(), 1);
    EXPECT_FALSE(window.dialogs[0].skipTimer);
    EXPECT_TRUE(window.dialogs[0].shown);
    EXPECT_TRUE(window.dialogs[0].closed);
    ASSERT_EQ(logLines.lines.size(), 5);
    EXPECT_EQ(logLines.lines[2], QStringLiteral("45:10reply async: 358OK:1:2:3ASC(13) ASC(4) "));
    EXPECT_EQ(logLines.lines[3], QStringLiteral("45:10      reply: 358OK:1:2:3ASC(13) ASC(4) "));
}

TEST_F(Exchange, OperatorClosingTheDialogKeepsTheFirstReply)
{
    line->queueReply({{eot("OK"), 0ms}, {eot("358OK:9"), 60000ms}});
    const qint64 start = nowMs();
    window.onEvents = [&] {
        if (nowMs() - start >= 5000)
            window.operatorClosesDialog();
    };
    EXPECT_EQ(send(QStringLiteral("KX1000T3P1"), Quiet::No, Seconds{200}), QStringLiteral("OK"));
    const qint64 took = nowMs() - start;
    EXPECT_GE(took, 5000);
    EXPECT_LT(took, 6000);
}

TEST_F(Exchange, NoSecondReplyEndsAfterTheAsyncWait)
{
    line->queueReply(eot("OK"));
    const qint64 start = nowMs();
    EXPECT_EQ(send(QStringLiteral("KX1000T3P1"), Quiet::No, Seconds{200}), QStringLiteral("OK"));
    const qint64 took = nowMs() - start;
    EXPECT_GE(took, 199500);
    EXPECT_LE(took, 201000);
    ASSERT_EQ(window.dialogs.size(), 1);
    EXPECT_TRUE(window.dialogs[0].closed);
    EXPECT_GT(window.eventPasses, 100); // the window was serviced all along
}

TEST_F(Exchange, CommandFromAnEventHandlerLeavesTheCardDialogOpen)
{
    // The operator starts something from a menu while the card wait runs;
    // its exchange must not close the card dialog and so end the wait.
    line->queueReply({{eot("OK"), 0ms}, {eot("358OK:1"), 30000ms}});
    line->queueReply(eot("CL:0:0"));
    bool nestedDone = false;
    bool dialogOpenAfterNested = false;
    window.onEvents = [&] {
        if (nestedDone)
            return;
        nestedDone = true;
        exchange.send(ecrcommand::clear(), Quiet::Yes);
        dialogOpenAfterNested = window.current && window.current->open;
    };
    EXPECT_EQ(send(QStringLiteral("KX1000T3P1"), Quiet::No, Seconds{200}), QStringLiteral("358OK:1"));
    EXPECT_TRUE(dialogOpenAfterNested);
    ASSERT_EQ(window.dialogs.size(), 1);
    EXPECT_TRUE(window.dialogs[0].closed);
}

// What the register sends outside a command's reply, and when the exchange
// takes it: a command without a card wait is done at its reply, bytes waiting
// on the line are taken before a command's first send (to the card check and
// the log, never as the command's reply), and not between its attempts.
struct LateCase
{
    const char *name;
    qint64 startMs;                        // program time of the first command
    QList<MemoryTransport::Reply> replies; // one per command sent
    QByteArray waiting;                    // already on the line at the start
    int commands;                          // "KXCL" sent this many times
    QStringList answers;                   // what each command gets back
    qint64 tookMs;                         // program time the commands took
    QStringList seen;                      // what the card check was offered
    QStringList lateLog;                   // the log's " reply late: " lines
    int written;
    int late; // replies counted as late (the "late" outcome of the metrics)
};

class LateBytes : public EcrFixture, public ::testing::WithParamInterface<LateCase>
{};

TEST_P(LateBytes, AreTakenBeforeTheNextCommandNeverAsItsReply)
{
    const LateCase &c = GetParam();
    clock.advance(Millis(c.startMs));
    if (!c.waiting.isEmpty())
        line->deliverAt(0, c.waiting);
    for (const MemoryTransport::Reply &r : c.replies)
        line->queueReply(r);
    QStringList seen;
    exchange.setReplyObserver([&](const QString &r) { seen.append(r); });
    Metrics metrics;
    metrics.declareCounter(metric::kReplies, {}, QStringLiteral("outcome"), {QStringLiteral("late")});
    metrics.declareCounter(metric::kCommands, {}, QStringLiteral("kind"));
    exchange.setMetrics(&metrics);
    QStringList answers;
    for (int i = 0; i < c.commands; ++i)
        answers.append(send(QStringLiteral("KXCL")));
    EXPECT_EQ(answers, c.answers);
    EXPECT_EQ(nowMs() - c.startMs, c.tookMs);
    EXPECT_EQ(seen, c.seen);
    EXPECT_EQ(logLines.lines.filter(QStringLiteral("reply late")), c.lateLog);
    EXPECT_EQ(line->written().size(), c.written);
    EXPECT_EQ(line->drains(), c.commands);
    EXPECT_TRUE(window.dialogs.isEmpty());
    EXPECT_EQ(metrics.snapshot()[0].series[QStringLiteral("late")].value, c.late);
    exchange.setMetrics(nullptr);
}

// A read that gets a whole reply costs 20 ms, the pause after it 100 ms.
INSTANTIATE_TEST_SUITE_P(Cases, LateBytes,
                         ::testing::Values(
                             // At 0.7 s of program time a wait for the rounded second would last
                             // until 1.0 s and take "B" as the reply of the first command.
                             LateCase{"second reply after an ordinary command",
                                      700,
                                      {{{eot("A"), 0ms}, {eot("B"), 50ms}}, {{eot("C"), 0ms}}},
                                      {},
                                      2,
                                      {QStringLiteral("A"), QStringLiteral("C")},
                                      240,
                                      {QStringLiteral("A"), QStringLiteral("B"), QStringLiteral("C")},
                                      {QStringLiteral("45:10 reply late: BASC(13) ASC(4) ")},
                                      2,
                                      1},
                             LateCase{"two replies in one read",
                                      0,
                                      {{{"A\r\x04" "B\r\x04", 0ms}}, {{eot("C"), 0ms}}},
                                      {},
                                      2,
                                      {QStringLiteral("A"), QStringLiteral("C")},
                                      240,
                                      {QStringLiteral("A"), QStringLiteral("B"), QStringLiteral("C")},
                                      {QStringLiteral("45:10 reply late: BASC(13) ASC(4) ")},
                                      2,
                                      1},
                             LateCase{"card approval after its wait was given up",
                                      0,
                                      {{{eot("OK"), 0ms}}},
                                      "356OK\r\x04"
                                      "DE",
                                      1,
                                      {QStringLiteral("OK")},
                                      120,
                                      {QStringLiteral("356OK"), QStringLiteral("DE"), QStringLiteral("OK")},
                                      {QStringLiteral("45:10 reply late: 356OKASC(13) ASC(4) DE")},
                                      1,
                                      2},
                             // The register answers the first send after its 7-second window: the
                             // bytes of the first attempt stay and complete the reply.
                             LateCase{"reply split across two attempts",
                                      0,
                                      {{{"O", 6900ms}, {"K\r\x04", 7600ms}}},
                                      {},
                                      1,
                                      {QStringLiteral("OK")},
                                      7720, // "K" and EOT read at 7.6 s, then the pause
                                      {QStringLiteral("OK")},
                                      {},
                                      2,
                                      0}),
                         [](const auto &info) {
                             QString name = QString::fromLatin1(info.param.name);
                             name.replace(QLatin1Char(' '), QLatin1Char('_'));
                             return name.toStdString();
                         });

TEST_F(Exchange, ErrLineBeforeAnyJobHasNowhereToGo)
{
    results.setPath({});
    send(QStringLiteral("KXCL"), Quiet::Yes);
    EXPECT_EQ(last.code, -4);
    EXPECT_TRUE(QDir(dir.path()).entryList(QDir::Files).isEmpty());
}

TEST_F(Exchange, CardCheckSeesEveryReplyOfThisCommandOnly)
{
    QStringList seen;
    exchange.setReplyObserver([&](const QString &r) { seen.append(r); });
    line->queueReply(eot("358OK:1"));
    line->queueReply(eot("DE2"));
    line->queueReply(eot("OK"));
    send(QStringLiteral("KXT3P1"), Quiet::Yes);
    // The error reply must not hand the previous acknowledgement to the check
    // a second time.
    send(QStringLiteral("KXST"), Quiet::Yes);
    EXPECT_EQ(seen, (QStringList{QStringLiteral("358OK:1"), QString()}));
}

TEST_F(Exchange, GreekAndCodePageGapCharactersGoOutAsOneByteEach)
{
    line->queueReply(eot("OK"));
    const QString command = QStringLiteral("KXA") + QChar(0x8D) + QChar(0x2020) + QStringLiteral("Ω");
    send(command);
    EXPECT_EQ(line->wire(), QByteArray("KXA\x8D\x86\xD9\r\n"));
    EXPECT_EQ(logLines.lines.first(), QStringLiteral("45:10       send:[") + command + QStringLiteral("]"));
}

TEST(FormatForLog, ControlBytesAreSpelledOut)
{
    EXPECT_EQ(formatForLog(QStringLiteral("OK\r\x04")), QStringLiteral("OKASC(13) ASC(4) "));
    EXPECT_EQ(formatForLog(QStringLiteral("A\nΩ")), QStringLiteral("AASC(10) Ω"));
    EXPECT_EQ(formatForLog(QString()), QString());
    // Bytes 128 and up are text, even the code page's gaps.
    EXPECT_EQ(formatForLog(QString(QChar(0x81))), QString(QChar(0x81)));
}

TEST_F(Exchange, ClosedLogWindowLogsNothing)
{
    log.setSink(nullptr);
    line->queueReply(eot("OK"));
    send(QStringLiteral("KXCL"));
    EXPECT_TRUE(logLines.lines.isEmpty());
}

} // namespace
} // namespace dravimo::test
