// The queries' fixed parses of the register's colon-separated replies, on a
// scripted register.
#include "ecr_fixture.h"

#include "core/numbers.h"
#include "ecr/queries.h"

namespace dravimo::test {
namespace {

class Queries : public ::testing::Test
{
protected:
    void answer(const QString &reply, qint16 result = 0)
    {
        m.defaultReply = reply;
        m.defaultResult = result;
    }
    ScriptedRegister m;
    EcrQueries q{m, NumberFormat(QLatin1Char('.'))};
};

struct StatusCase
{
    QString reply;
    qint16 result;
    qint16 status;
};

TEST_F(Queries, EcrStatus)
{
    const QList<StatusCase> cases = {
        {QStringLiteral("STAT:0"), 0, 0},
        {QStringLiteral("STAT:2"), 0, 2},
        {QStringLiteral("STAT:20\n"), 0, 20},
        {QStringLiteral("READY"), 0, 0}, // neither form: no error
        {QString(), 0, 0},
        {QStringLiteral("STAT:"), 0, -99}, // unreadable number
        {QStringLiteral("STAT:abc"), 0, -99},
        {QStringLiteral("STAT:99999"), 0, -99}, // does not fit
        {QStringLiteral("STAT:2.5"), 0, 2},     // rounded half to even
        {QStringLiteral("STATUS:DE2C"), 0, 2},  // error tail from character 8
        {QStringLiteral("STATUS:DE 12C"), 0, 12},
        {QStringLiteral("STATUS:DEC"), 0, -99},
        {QStringLiteral("STAT:0"), -4, -3}, // no answer
        {QStringLiteral("7"), 7, -3},       // error reply
    };
    for (const StatusCase &c : cases) {
        answer(c.reply, c.result);
        EXPECT_EQ(q.status(), c.status) << c.reply.toStdString();
    }
    EXPECT_EQ(m.sent.first().command, QStringLiteral("KXSTAT"));
    EXPECT_EQ(m.sent.first().quiet, Quiet::Yes);
    EXPECT_EQ(m.sent.first().cardWait, Seconds{0});
}

struct NumberCase
{
    QString reply;
    qint16 result;
    qint16 expected;
};

TEST_F(Queries, OpenTable)
{
    const QList<NumberCase> cases = {
        {QStringLiteral("TO:5"), 0, 5},      {QStringLiteral("TO: 12 :x"), 0, 12}, {QStringLiteral("TO:0"), 0, -1},
        {QStringLiteral("TO:-3"), 0, -1},    {QStringLiteral("TO:abc"), 0, -1},    {QStringLiteral("TO"), 0, -1},
        {QStringLiteral("TO:70000"), 0, -1}, {QStringLiteral("TO:5"), -4, -1},
    };
    for (const NumberCase &c : cases) {
        answer(c.reply, c.result);
        EXPECT_EQ(q.openTable(), c.expected) << c.reply.toStdString();
    }
    EXPECT_EQ(m.sent.first().command, QStringLiteral("KX?TO"));
    EXPECT_EQ(m.sent.first().quiet, Quiet::No);
}

TEST_F(Queries, TableNumberFromReply)
{
    const QList<NumberCase> cases = {
        {QStringLiteral("CL:x:7"), 0, 7}, {QStringLiteral("CL:x: 7\n"), 0, 7}, {QStringLiteral("CL:x:0"), 0, -1},
        {QStringLiteral("CL:x:"), 0, -1}, {QStringLiteral("CL:x"), 0, -1},     {QStringLiteral("CL:x:A7"), 0, -1},
    };
    for (const NumberCase &c : cases)
        EXPECT_EQ(EcrQueries::lastReceiptFromClearReply(c.reply, NumberFormat(QLatin1Char('.'))), c.expected)
            << c.reply.toStdString();
}

struct TextCase
{
    QString reply;
    qint16 result;
    QString expected;
};

TEST_F(Queries, TableReport)
{
    const QList<TextCase> cases = {
        {QStringLiteral("REP:12:0"), 0, QStringLiteral("0")}, // zero is a figure
        {QStringLiteral("REP:12: 15.50\n:x"), 0, QStringLiteral("15.50")},
        {QStringLiteral("REP:12:-1.5"), 0, QStringLiteral("-1")},
        {QStringLiteral("REP:12:x"), 0, QStringLiteral("-1")},
        {QStringLiteral("REP:12"), 0, QStringLiteral("-1")},
        {QStringLiteral("REP:12:5"), 2, QStringLiteral("-1")},
    };
    for (const TextCase &c : cases) {
        answer(c.reply, c.result);
        EXPECT_EQ(q.tableTotal(12), c.expected) << c.reply.toStdString();
    }
    EXPECT_EQ(m.sent.first().command, QStringLiteral("KXREP12TBL"));
}

TEST_F(Queries, TableList)
{
    const QList<TextCase> cases = {
        {QStringLiteral("TBL:1 2 3"), 0, QStringLiteral("123")},
        {QStringLiteral("TBL: 4,5 \n:x"), 0, QStringLiteral("4,5")},
        {QStringLiteral("TBL:   "), 0, QStringLiteral("-1")},
        {QStringLiteral("TBL:\n"), 0, QStringLiteral("-1")},
        {QStringLiteral("TBL"), 0, QStringLiteral("-1")},
        {QStringLiteral("TBL:1"), -4, QStringLiteral("-1")},
    };
    for (const TextCase &c : cases) {
        answer(c.reply, c.result);
        EXPECT_EQ(q.tableList(), c.expected) << c.reply.toStdString();
    }
    EXPECT_EQ(m.sent.first().command, QStringLiteral("KXREPTBL"));
}

TEST_F(Queries, ReceiptNumbers)
{
    const QList<TextCase> cases = {
        {QStringLiteral("RE:00123:17"), 0, QStringLiteral("00123, 17")},
        {QStringLiteral("RE:0012345:1700"), 0, QStringLiteral("00123, 1700")}, // five characters each
        {QStringLiteral("RE: 12 : 3 :x"), 0, QStringLiteral("12, 3")},
        {QStringLiteral("RE:00123:0"), 0, QStringLiteral("-1, -1")},
        {QStringLiteral("RE:00123:x"), 0, QStringLiteral("-1, -1")},
        {QStringLiteral("RE:abc:17"), 0, QStringLiteral("-1, -1")},
        {QStringLiteral("RE:00123"), 0, QStringLiteral("-1, -1")},
        {QStringLiteral("RE:00123:17"), 7, QStringLiteral("-1, -1")},
    };
    for (const TextCase &c : cases) {
        answer(c.reply, c.result);
        EXPECT_EQ(q.receiptNumbers(), c.expected) << c.reply.toStdString();
    }
    EXPECT_EQ(m.sent.first().command, QStringLiteral("KXRE"));
}

// One stray refusal must not cost the host its receipt numbers, or hide a
// table still open for keying: a refused question is asked again, three
// times in all, and so are receipt numbers answered by a stray reply.
TEST_F(Queries, ARefusedQuestionIsAskedAgain)
{
    m.script(QStringLiteral("KXRE"),
             {{6, std::nullopt}, {0, QStringLiteral("STAT:0")}, {0, QStringLiteral("RE:00001:17")}});
    EXPECT_EQ(q.receiptNumbers(), QStringLiteral("00001, 17"));
    m.script(QStringLiteral("KX?TO"), {{6, std::nullopt}, {0, QStringLiteral("TO:37")}});
    EXPECT_EQ(q.openTable(), 37);
    m.script(QStringLiteral("KXSTAT"), {{6, std::nullopt}});
    EXPECT_EQ(q.status(), ecrstatus::NoStatus);
    EXPECT_EQ(m.commands(),
              (QStringList{QStringLiteral("KXRE"), QStringLiteral("KXRE"), QStringLiteral("KXRE"),
                           QStringLiteral("KX?TO"), QStringLiteral("KX?TO"), QStringLiteral("KXSTAT"),
                           QStringLiteral("KXSTAT"), QStringLiteral("KXSTAT")}));
}

using StatusOnTheLine = EcrFixture;

TEST_F(StatusOnTheLine, NoAnswerGivesMinusThreeWithoutABox)
{
    EXPECT_EQ(EcrQueries(exchange, NumberFormat(QLatin1Char('.'))).status(), -3);
    EXPECT_EQ(line->written().size(), 4);
    EXPECT_TRUE(window.boxes.isEmpty());
}

} // namespace
} // namespace dravimo::test
