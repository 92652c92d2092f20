// Error texts, the error box, and the wait until the operator has dealt with a
// register error.
#include "ecr_fixture.h"

#include "core/waitlimit.h"
#include "ecr/errorwait.h"
#include "ecr/protocol.h"

using namespace std::chrono_literals;

namespace dravimo::test {
namespace {

const QString kDate = QStringLiteral("07/12/2026 03:45:10");

struct TextCase
{
    QString given;
    QString expected;
};

TEST(EcrErrorText, TranslatesKnownCodesAndPassesTheRestThrough)
{
    const QList<TextCase> cases = {
        {QStringLiteral("DE1031"), QStringLiteral("Υποχρεωτική έκδοση Ζ (Πέρασαν 24 Ώρες)!")},
        {QStringLiteral("DE7"), QStringLiteral("Πρόβλημα στην Φορολογική Μνήμη !\rΚαλέστε τεχνικό !")},
        {QStringLiteral("DE13"), QStringLiteral("13")}, // unknown code: the code itself
        {QStringLiteral("DE07"), QStringLiteral("07")}, // keys are exact texts
        {QStringLiteral("OK"), QStringLiteral("OK")},   // not a number: unchanged
        {QStringLiteral("DE57"), QStringLiteral("Λανθασμένη Λειτουργία  !")},
        {QStringLiteral("DE23 more text"), QStringLiteral("Λάθος Ημερομηνία / Ώρα !\rΠατήστε 'Διαγραφή' !")},
        {QStringLiteral("2"), QStringLiteral("Τέλος Χαρτιού !")},
        {QStringLiteral("-3"), QStringLiteral("Ελέγξτε την σύνδεση!")},
        {QStringLiteral("-99"), QStringLiteral("Γενικό σφάλμα επικοινωνίας!")},
        {QStringLiteral("1064"), QStringLiteral("Τέλος Χαρτιού!")},
        {QStringLiteral("DEX text"), QStringLiteral("DEX text")},
        {QString(), QString()},
    };
    for (const TextCase &c : cases)
        EXPECT_EQ(ecrErrorText(c.given, NumberFormat(QLatin1Char('.'))), c.expected) << c.given.toStdString();
}

// What an error reply means to the caller and to the operator.
TEST(EvaluateReply, ErrorRepliesAsTheCallerAndTheOperatorSeeThem)
{
    struct Row
    {
        const char *buffer;
        Quiet quiet;
        qint16 code;
        QString text;
        QString errorText;
        bool shown;
    };
    const QString paperOut = QStringLiteral("Τέλος Χαρτιού !");
    const QList<Row> rows = {
        {"OK\r\x04", Quiet::No, 0, QStringLiteral("OK"), QString(), false},
        {"DE2", Quiet::No, 2, QStringLiteral("2"), paperOut, true},
        {"DE2", Quiet::Yes, 2, QStringLiteral("2"), paperOut, false},
        // "00" is the register's "no error"; a bare "0" is shown, yet success.
        {"DE00", Quiet::No, 0, QStringLiteral("0"), QStringLiteral("00"), false},
        {"DE0", Quiet::No, 0, QStringLiteral("0"), QStringLiteral("0"), true},
        // An unreadable code is the general communication error.
        {"DEX", Quiet::No, -99, QStringLiteral("-99"), QStringLiteral("Γενικό σφάλμα επικοινωνίας!"), true},
        // The caller reads at most four digits; a shown error reports the
        // code as the box reads the whole word.
        {"DE12345", Quiet::Yes, 1234, QStringLiteral("1234"), QStringLiteral("12345"), false},
        {"DE12345", Quiet::No, 12345, QStringLiteral("1234"), QStringLiteral("12345"), true},
        // Line noise before a refusal does not make it a success.
        {"\x1b\x7f" "DE2", Quiet::Yes, 2, QStringLiteral("2"), paperOut, false},
        {"\x1b" "DE2\r\x04", Quiet::Yes, 2, QStringLiteral("2"), paperOut, false},
        // Ended by EOT and not begun by "DE": a text reply, whatever it holds.
        {"1:ODESSA DE2:3\r\x04", Quiet::No, 0, QStringLiteral("1:ODESSA DE2:3"), QString(), false},
    };
    for (const Row &r : rows) {
        const ReplyOutcome out = evaluateReply(QString::fromLatin1(r.buffer), r.quiet, NumberFormat(QLatin1Char('.')));
        EXPECT_EQ(out.code, r.code) << r.buffer;
        EXPECT_EQ(out.text, r.text) << r.buffer;
        EXPECT_EQ(out.errorText, r.errorText) << r.buffer;
        EXPECT_EQ(out.showError, r.shown) << r.buffer;
        EXPECT_EQ(out.reply, out.isError ? QString() : out.text) << r.buffer;
    }
}

TEST_F(EcrFixture, ShownErrorHasCaptionAndPaddedBox)
{
    line->queueReply(eot("DE2"));
    send(QStringLiteral("KXST"));
    EXPECT_EQ(last.code, 2);
    EXPECT_EQ(window.caption(), QStringLiteral("Σφάλμα !!!Τέλος Χαρτιού !"));
    ASSERT_EQ(window.boxes.size(), 1);
    // Shorter than 40 characters: the message box routine pads it.
    EXPECT_EQ(window.boxes[0].text, QStringLiteral("Λάθος : 2\rΤέλος Χαρτιού !").leftJustified(40, QLatin1Char(' ')));
    EXPECT_EQ(window.boxes[0].code, mb::Critical + mb::SystemModal);
}

// The register's status answers, one per "KXSTAT", then a guard so that a
// wait that never ends fails the test instead of hanging it.
class WaitCleared : public EcrFixture
{
protected:
    void statuses(QList<int> sequence)
    {
        line->responder = [this, sequence](const QString &command) -> MemoryTransport::Reply {
            if (command != QLatin1String("KXSTAT"))
                return {};
            const int n = queries++;
            if (n >= 50)
                throw std::runtime_error("the error wait does not end");
            const int status = sequence.value(n, sequence.last());
            return {{eot(QStringLiteral("STAT:%1").arg(status).toLatin1().constData()), 0ms}};
        };
    }
    int queries = 0;
};

TEST_F(WaitCleared, NoErrorOnEntryReturnsAtOnce)
{
    for (int status : {0, 1}) {
        queries = 0;
        statuses({status});
        waitUntilEcrErrorCleared(session);
        EXPECT_EQ(queries, 1);
    }
    EXPECT_TRUE(resultLines().isEmpty());
    EXPECT_TRUE(window.dialogs.isEmpty());
}

TEST_F(WaitCleared, StatusSequenceWritesOneLinePerNewErrorThenClearedOk)
{
    statuses({2, 2, 20, 0});
    const qint64 start = nowMs();
    waitUntilEcrErrorCleared(session);
    EXPECT_EQ(queries, 4);
    EXPECT_GE(nowMs() - start, 3 * 1500);
    EXPECT_EQ(resultLines(),
              (QStringList{
                  QStringLiteral("Ecr Err:2, Τέλος Χαρτιού !, ") + kDate,
                  QStringLiteral("Ecr Err:20, Τέλος Φορολογικής Μνήμης !, ") + kDate,
                  QStringLiteral("Ecr Err: Cleared OK, ") + kDate,
              }));
    ASSERT_EQ(window.dialogs.size(), 1);
    const DialogRecord &d = window.dialogs[0];
    EXPECT_TRUE(d.skipTimer);
    EXPECT_EQ(d.title, QStringLiteral("Μύνημα Ταμειακής"));
    EXPECT_EQ(d.description, QStringLiteral("Αναμονή..."));
    EXPECT_EQ(d.messages,
              (QStringList{QStringLiteral("Τέλος Χαρτιού !"), QStringLiteral("Τέλος Χαρτιού !"),
                           QStringLiteral("Τέλος Φορολογικής Μνήμης !"), QStringLiteral("0")}));
    EXPECT_TRUE(d.shown);
    EXPECT_TRUE(d.closed);
    EXPECT_TRUE(window.boxes.isEmpty()); // the status questions are quiet
}

TEST_F(WaitCleared, OpenReceiptAfterTheErrorEndsTheWait)
{
    // Paper out in the middle of a receipt: once the paper is in, the
    // register reports the receipt still open (1), which is no error.
    statuses({2, 2, 1});
    waitUntilEcrErrorCleared(session);
    EXPECT_EQ(queries, 3);
    EXPECT_EQ(resultLines(),
              (QStringList{QStringLiteral("Ecr Err:2, Τέλος Χαρτιού !, ") + kDate,
                           QStringLiteral("Ecr Err: Cleared OK, ") + kDate}));
    ASSERT_EQ(window.dialogs.size(), 1);
    EXPECT_TRUE(window.dialogs[0].closed);
}

TEST_F(WaitCleared, SilentRegisterShowsTheConnectionMessage)
{
    int n = 0;
    line->responder = [&](const QString &) -> MemoryTransport::Reply {
        // The first question is answered with status 2, the next goes
        // unanswered (status -3), then the paper is in.
        ++n;
        if (n == 1)
            return {{eot("STAT:2"), 0ms}};
        if (n <= 5)
            return {};
        return {{eot("STAT:0"), 0ms}};
    };
    waitUntilEcrErrorCleared(session);
    const QStringList lines = resultLines();
    // The silent status question leaves its own failure line too.
    EXPECT_EQ(lines,
              (QStringList{QStringLiteral("Ecr Err:2, Τέλος Χαρτιού !, ") + kDate,
                           QStringLiteral("Err = -4, [KXSTAT] DateTime = ") + kDate,
                           QStringLiteral("Ecr Err:-3, Ελέγξτε την σύνδεση!, ") + kDate,
                           QStringLiteral("Ecr Err: Cleared OK, ") + kDate}));
    EXPECT_TRUE(window.boxes.isEmpty());
}

// Nobody is there to load the paper: past the session's limit the wait ends
// with one alert, and the register falling silent meanwhile leaves one
// failure line, not one per status question.
TEST_F(WaitCleared, UnattendedWaitEndsPastItsLimitWithOneLinePerChange)
{
    int sends = 0;
    line->responder = [&](const QString &) -> MemoryTransport::Reply {
        if (++sends > 40)
            throw std::runtime_error("the error wait does not end");
        return sends == 1 ? MemoryTransport::Reply{{eot("STAT:2"), 0ms}} : MemoryTransport::Reply{};
    };
    QStringList alerts;
    const WaitLimit limit(Millis{60000}, [&](const QString &alert) { alerts.append(alert); });
    session.waitLimit = &limit;
    const qint64 start = nowMs();
    waitUntilEcrErrorCleared(session);
    EXPECT_GE(nowMs() - start, 60000);
    EXPECT_LT(nowMs() - start, 60000 + 30000);
    EXPECT_EQ(sends, 1 + 2 * 4); // two silent questions of four attempts each
    EXPECT_EQ(resultLines(),
              (QStringList{QStringLiteral("Ecr Err:2, Τέλος Χαρτιού !, ") + kDate,
                           QStringLiteral("Err = -4, [KXSTAT] DateTime = ") + kDate,
                           QStringLiteral("Ecr Err:-3, Ελέγξτε την σύνδεση!, ") + kDate}));
    ASSERT_EQ(alerts.size(), 1);
    EXPECT_TRUE(alerts[0].contains(QStringLiteral("Ελέγξτε την σύνδεση!"))) << alerts[0].toStdString();
    ASSERT_EQ(window.dialogs.size(), 1);
    EXPECT_TRUE(window.dialogs[0].closed);
}

TEST_F(WaitCleared, OperatorClosingTheDialogEndsTheWaitWithOneLine)
{
    statuses({2});
    // The operator's close arrives while the window's events run between two
    // status questions.
    window.onEvents = [&] {
        if (queries >= 2)
            window.operatorClosesDialog();
        if (window.eventPasses > 1000)
            throw std::runtime_error("the error wait goes on after the dialog was closed");
    };
    waitUntilEcrErrorCleared(session);
    const QStringList lines = resultLines();
    EXPECT_EQ(lines,
              (QStringList{QStringLiteral("Ecr Err:2, Τέλος Χαρτιού !, ") + kDate,
                           QStringLiteral("Ecr Err: Terminated by the user, ") + kDate}));
    EXPECT_LT(queries, 5);
}

} // namespace
} // namespace dravimo::test
