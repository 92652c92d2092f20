// Settling a job a crash cut short, where the register leaves no safe way on:
// what is never sent twice, what goes to quarantine, and what waits for a
// register that is off. (The ordinary ways on are the kill sweep's.)
#include "translate_fixture.h"

#include "core/files.h"
#include "journal/jobjournal.h"
#include "payments/cardpayment.h"
#include "payments/payeft.h"
#include "translate/translator.h"

#include <QFile>

using namespace dravimo;
using namespace dravimo::test;

namespace {

struct Crash
{};

class Recovery_ : public TranslateTest
{
protected:
    // Runs the print file until the register is about to receive the first
    // command starting with `diesAt`: there the process "dies".
    void runUntilCrash(const QString &text, const QString &diesAt)
    {
        ASSERT_TRUE(writeTextFile(path(QStringLiteral("print.1")), text));
        ecr_.onSend = [diesAt](const QString &command) {
            if (command.startsWith(diesAt))
                throw Crash{};
        };
        Translator first(session_, progress_, &journal_);
        EXPECT_THROW(first.translate(path(QStringLiteral("print.1")), settings_), Crash);
        ecr_.onSend = nullptr;
        ecr_.sent.clear();
    }

    Recovery recover()
    {
        const auto entry = journal_.unfinished();
        EXPECT_TRUE(entry.has_value());
        Translator next(session_, progress_, &journal_);
        next.quarantineFolder = path(QStringLiteral("quarantine"));
        return entry ? next.recover(*entry, settings_) : Recovery{};
    }

    QStringList resultLines()
    {
        const auto text = readTextFile(path(QStringLiteral("Result")));
        return text ? splitLines(*text) : QStringList{};
    }

    // The register's receipt as "KXSTAT" tells it: open from a sale until a
    // payment or a cancel.
    void trackReceipt()
    {
        ecr_.script(QStringLiteral("KXSTAT"), {{0, QStringLiteral("STAT:0")}});
        ecr_.onSend = [this](const QString &command) {
            const bool sale = command.contains(QLatin1Char('R')) && command.startsWith(QLatin1String("KX5"));
            const bool sale2 = command.startsWith(QLatin1String("KX200R"));
            if (sale || sale2)
                ecr_.script(QStringLiteral("KXSTAT"), {{0, QStringLiteral("STAT:1")}});
            else if (command == QLatin1String("KX@215T0") || command == QLatin1String("KX700T1"))
                ecr_.script(QStringLiteral("KXSTAT"), {{0, QStringLiteral("STAT:0")}});
        };
    }

    JobJournal journal_{path(QStringLiteral("journal"))};
};

const QString kSale =
    pluLine({{}, QStringLiteral("WATER"), QStringLiteral("1"), QStringLiteral("5.00"), QStringLiteral("13"), {}});

// A table the job meant to put aside ("TBC") that the register kept open for
// keying: exit 2, the note says which, and the next job puts it aside before
// its first line (in a process of its own: the note is the journal's).
TEST_F(Recovery_, ATableLeftOpenForKeyingIsReportedAndTheNextJobPutsItAside)
{
    ASSERT_TRUE(writeTextFile(path(QStringLiteral("table.prn")),
                              QStringLiteral(" TBO 5\r\n") + kSale + QStringLiteral("\r\n TBC 5\r\n")));
    ecr_.script(QStringLiteral("KXSTAT"), {{0, QStringLiteral("STAT:0")}});
    ecr_.script(QStringLiteral("KX?TO"), {{0, QStringLiteral("TO:0")}, {0, QStringLiteral("TO:5")}});
    ecr_.answer(QStringLiteral("KXTO"), 6); // refused, and not for paper: the table stays open
    ecr_.onSend = [this, parks = 0](const QString &command) mutable {
        if (command == QLatin1String("KXTO") && ++parks == 2)
            ecr_.script(QStringLiteral("KX?TO"), {{0, QStringLiteral("TO:0")}});
    };
    const auto translate = [&](const QString &name) {
        Translator translator(session_, progress_, &journal_);
        return translator.translate(path(name), settings_);
    };
    ASSERT_TRUE(translate(QStringLiteral("table.prn")));
    EXPECT_EQ(resultLines().last(), QStringLiteral("exitcode = 2"));
    EXPECT_EQ(JobJournal(path(QStringLiteral("journal"))).tableLeftOpen(), 5);

    ecr_.sent.clear();
    ASSERT_TRUE(writeTextFile(path(QStringLiteral("paid.prn")), kSale + QStringLiteral("\r\n tot   1       5.00\r\n")));
    ASSERT_TRUE(translate(QStringLiteral("paid.prn")));
    const QStringList commands = ecr_.commands();
    EXPECT_EQ(commands.mid(1, 4), (QStringList{QStringLiteral("KXCL"), QStringLiteral("KXCL"),
                                               QStringLiteral("KX?TO"), QStringLiteral("KXTO")}))
        << commands.join(QLatin1Char('|')).toStdString();
    EXPECT_GT(commands.indexOf(QStringLiteral("KX500R2WATER")), commands.indexOf(QStringLiteral("KXTO")));
    EXPECT_EQ(resultLines().last(), QStringLiteral("exitcode = 0"));
    EXPECT_EQ(JobJournal(path(QStringLiteral("journal"))).tableLeftOpen(), -1);
}

// A sale carried out whose reply was lost is not sent again on the spot: the
// job stops with it in flight, and the settling (in the same process, so not
// another try at the job) cancels the receipt and keys it once more.
TEST_F(Recovery_, ALostReplyStopsTheJobAndIsSettledLikeACrashWithoutCountingATry)
{
    // The settlement's own cancel may lose its reply too: it is not sent
    // again (a second cancel would be refused and read as a payment on the
    // receipt); the next try asks the register and resends the receipt. A
    // refused cancel booked nothing and is sent again (for paper, once the
    // paper is back).
    struct Row
    {
        const char *name;
        qint16 cancelCode;
        qsizetype cancels;
    };
    for (const Row &row : {Row{"the cancel answered", 0, 1}, Row{"the cancel's reply lost too", -4, 1},
                           Row{"the cancel refused for paper", 2, 2}, Row{"the cancel refused once", 6, 2}}) {
        SCOPED_TRACE(row.name);
        const bool cancelLost = row.cancelCode == -4;
        QFile::remove(path(QStringLiteral("Result")));
        // Paid 7,00: the receipt tracker closes the receipt at "KX700T1".
        ASSERT_TRUE(
            writeTextFile(path(QStringLiteral("print.1")), kSale + QStringLiteral("\r\n tot   1       7.00\r\n")));
        trackReceipt();
        ecr_.answer(QStringLiteral("KX500R2WATER"), -4, QStringLiteral("Ο Φορολ. Εκτυπωτής δεν Απαντά σε εντολή !"));
        if (row.cancelCode != 0)
            ecr_.answer(QStringLiteral("KX@215T0"), row.cancelCode);
        Translator first(session_, progress_, &journal_);
        EXPECT_THROW(first.translate(path(QStringLiteral("print.1")), settings_), ReplyLost);
        EXPECT_EQ(ecr_.commands().count(QStringLiteral("KX500R2WATER")), 1);
        ecr_.sent.clear();

        Translator next(session_, progress_, &journal_);
        if (cancelLost) {
            EXPECT_EQ(next.recover(*journal_.unfinished(), settings_, false).outcome, Recovery::Outcome::EcrSilent);
            EXPECT_EQ(ecr_.commands().count(QStringLiteral("KX@215T0")), 1);
        }
        EXPECT_EQ(next.recover(*journal_.unfinished(), settings_, false).outcome, Recovery::Outcome::Finished);
        const QStringList commands = ecr_.commands();
        const qsizetype cancel = commands.lastIndexOf(QStringLiteral("KX@215T0"));
        ASSERT_GE(cancel, 0) << commands.join(QLatin1Char('|')).toStdString();
        EXPECT_EQ(commands.count(QStringLiteral("KX@215T0")), row.cancels);
        EXPECT_EQ(commands.count(QStringLiteral("KX500R2WATER")), 1);
        EXPECT_EQ(commands.mid(cancel + 1).count(QStringLiteral("KX500R2WATER")), 1);
        EXPECT_EQ(commands.count(QStringLiteral("KX700T1")), 1);
        ASSERT_TRUE(journal_.unfinished().has_value());
        EXPECT_EQ(journal_.unfinished()->attempt, 1);
        const QStringList lines = resultLines();
        EXPECT_EQ(lines.count(QStringLiteral("exitcode = 0")), 1) << lines.join(QLatin1Char('|')).toStdString();
        EXPECT_TRUE(lines.filter(QStringLiteral("Err = -4")).isEmpty());
        ASSERT_TRUE(journal_.finish());
        ecr_.sent.clear();
    }
}

TEST_F(Recovery_, ACardWhoseOutcomeCannotBeReadIsNeverChargedAgain)
{
    ASSERT_EQ(writePaymentType({2, 2, 1, -1, 1, 0}), 0); // payment 2: the card terminal 1
    runUntilCrash(kSale + QStringLiteral("\r\n tot   2       5.00\r\n"), QStringLiteral("KX500T2P1"));
    ecr_.script(QStringLiteral("KXSTAT"), {{0, QStringLiteral("STAT:1")}}); // the receipt stays open
    const Recovery r = recover();
    EXPECT_EQ(r.outcome, Recovery::Outcome::Quarantined);
    EXPECT_FALSE(ecr_.commands().contains(QStringLiteral("KX500T2P1")));
    EXPECT_FALSE(ecr_.commands().contains(QStringLiteral("KXCL"))) << "a key would abandon the charge";
    // The terminal got its time to answer before anything was decided.
    const auto waited = std::find_if(ecr_.sent.begin(), ecr_.sent.end(),
                                     [](const SentCommand &c) { return c.cardWait == kCardOutcomeWait; });
    EXPECT_NE(waited, ecr_.sent.end());
    EXPECT_TRUE(QFile::exists(path(QStringLiteral("quarantine/print.1"))));
    EXPECT_FALSE(QFile::exists(path(QStringLiteral("print.1"))));
    // The job still ends in its result file, and the receipt the register
    // holds is noted as left open: the next job must not key into it.
    const QStringList lines = resultLines();
    ASSERT_GE(lines.size(), 5);
    EXPECT_TRUE(lines[lines.size() - 5].startsWith(QStringLiteral("Err = -5, [")));
    EXPECT_EQ(lines.last(), QStringLiteral("exitcode = 1"));
    EXPECT_TRUE(journal_.unfinished() && journal_.unfinished()->leftOpen);
    EXPECT_TRUE(r.message.contains(QStringLiteral("κάρτα"))) << r.message.toStdString();
}

// A crash with it in flight: "-6", not repeated. Its reply lost on the line:
// it went out once and the register was silent, "-4".
TEST_F(Recovery_, TheHostsOwnCommandIsNotSentTwice)
{
    const QString snd = codeLine(QStringLiteral("snd"), QStringLiteral("9PL")) + QStringLiteral("\r\n");
    for (const bool lost : {false, true}) {
        SCOPED_TRACE(lost ? "reply lost" : "crash");
        QFile::remove(path(QStringLiteral("Result")));
        if (lost) {
            ASSERT_TRUE(writeTextFile(path(QStringLiteral("print.1")), snd));
            ecr_.answer(QStringLiteral("KX9PL"), -4);
            Translator first(session_, progress_, &journal_);
            EXPECT_THROW(first.translate(path(QStringLiteral("print.1")), settings_), ReplyLost);
            ecr_.sent.clear();
        } else {
            runUntilCrash(snd, QStringLiteral("KX9PL"));
        }
        EXPECT_EQ(recover().outcome, Recovery::Outcome::Finished);
        ASSERT_TRUE(journal_.finish());
        EXPECT_FALSE(ecr_.commands().contains(QStringLiteral("KX9PL")));
        const QString code = lost ? QStringLiteral("-4") : QStringLiteral("-6");
        const QStringList lines = resultLines();
        EXPECT_TRUE(lines.contains(QStringLiteral("Err = %1, [KX9PL] DateTime = ").arg(code) + kFixedDate))
            << lines.join(QLatin1Char('|')).toStdString();
        EXPECT_TRUE(lines.contains(QStringLiteral("sndReply = %1;").arg(code)));
        EXPECT_EQ(lines.filter(QStringLiteral("tag = ")).size(), 1);
        EXPECT_EQ(lines.filter(QStringLiteral("exitcode = 0")).size(), 1);
    }
}

TEST_F(Recovery_, WhatCannotBeSettledNowIsLeftOrPutAside)
{
    runUntilCrash(kSale + QStringLiteral("\r\n"), QStringLiteral("KX500R"));
    const JournalEntry before = *journal_.unfinished();

    // The register is off: the entry stays exactly as it was, to be tried again.
    ecr_.defaultResult = result::NoAnswer;
    EXPECT_EQ(recover().outcome, Recovery::Outcome::EcrSilent);
    EXPECT_EQ(journal_.unfinished(), before);

    // A job that brought the program down three times is tried no more; an
    // open receipt without payment is cancelled first.
    ecr_.defaultResult = result::Ok;
    ecr_.script(QStringLiteral("KXSTAT"), {{0, QStringLiteral("STAT:1")}, {0, QStringLiteral("STAT:0")}});
    JournalEntry third = before;
    third.attempt = 3;
    ASSERT_TRUE(journal_.begin(third));
    EXPECT_EQ(recover().outcome, Recovery::Outcome::Quarantined);
    EXPECT_TRUE(ecr_.commands().contains(QStringLiteral("KX@215T0")));
    EXPECT_FALSE(ecr_.commands().contains(QStringLiteral("KX500R")));
    EXPECT_TRUE(QFile::exists(path(QStringLiteral("quarantine/print.1"))));

    // A print file that changed is another job: the register is settled, the
    // entry dropped, nothing of the old job sent.
    ASSERT_TRUE(writeTextFile(path(QStringLiteral("print.1")), kSale + QStringLiteral("\r\n tot   1      5.00\r\n")));
    ASSERT_TRUE(journal_.begin(before));
    ecr_.sent.clear();
    EXPECT_EQ(recover().outcome, Recovery::Outcome::Dropped);
    EXPECT_FALSE(ecr_.commands().contains(QStringLiteral("KX500R")));
}

// Recovery records a cancel before it sends it. Killed right after (or the
// reply lost), the next start must tell by the register whether the cancel
// went through: no receipt open means it did, and the receipt goes again from
// its first line (not only the line that was in flight); still open means
// cancel again.
TEST_F(Recovery_, ACancelRecordedBeforeItWasSentIsJudgedByTheRegister)
{
    const QString second =
        pluLine({{}, QStringLiteral("BREAD"), QStringLiteral("1"), QStringLiteral("2.00"), QStringLiteral("13"), {}});
    runUntilCrash(kSale + QStringLiteral("\r\n") + second + QStringLiteral("\r\n tot   1       7.00\r\n"),
                  QStringLiteral("KX200R"));
    JournalEntry pending = *journal_.unfinished();
    ASSERT_EQ(pending.replies.size(), 3); // KXCL, KXCL, the first sale
    pending.cancelResumeAt = 2;
    for (const char *status : {"STAT:0", "STAT:1"}) {
        const bool open = QLatin1String(status) == QLatin1String("STAT:1");
        ASSERT_TRUE(journal_.begin(pending));
        ecr_.sent.clear();
        trackReceipt();
        ecr_.script(QStringLiteral("KXSTAT"), {{0, QString::fromLatin1(status)}});
        EXPECT_EQ(recover().outcome, Recovery::Outcome::Finished) << status;
        const QStringList sent = ecr_.commands();
        EXPECT_EQ(sent.count(QStringLiteral("KX@215T0")), open ? 1 : 0) << status;
        EXPECT_EQ(sent.filter(QStringLiteral("WATER")).size(), 1) << status;
        EXPECT_EQ(sent.filter(QStringLiteral("BREAD")).size(), 1) << status;
        EXPECT_EQ(sent.count(QStringLiteral("KX700T1")), 1) << status;
    }
}

// A register error the first run waited out (paper out before the payment)
// is in the result file once: recovery goes through that wait again from the
// journal, and writes none of its lines a second time.
TEST_F(Recovery_, WhatTheFirstRunWroteIsNotWrittenAgain)
{
    ecr_.script(QStringLiteral("KXSTAT"),
                {{0, QStringLiteral("STAT:2")}, {0, QStringLiteral("STAT:2")}, {0, QStringLiteral("STAT:1")}});
    runUntilCrash(kSale + QStringLiteral("\r\n tot   1       5.00\r\n"), QStringLiteral("KX500T1"));
    ASSERT_EQ(resultLines().filter(QStringLiteral("Ecr Err:2")).size(), 1);
    EXPECT_EQ(recover().outcome, Recovery::Outcome::Finished);
    const QStringList lines = resultLines();
    EXPECT_EQ(lines.filter(QStringLiteral("Ecr Err:2")).size(), 1) << lines.join(QLatin1Char('|')).toStdString();
    EXPECT_EQ(lines.filter(QStringLiteral("Ecr Err: Cleared OK")).size(), 1);
    EXPECT_EQ(lines.filter(QStringLiteral("exitcode = ")).size(), 1);
}

// A journal write that fails (a full disk) stops the job before its next
// command, as a crash there would; the same process settles it once the
// disk has room, without counting it as another try, and the host reads one
// outcome block.
TEST_F(Recovery_, AFailedJournalWriteStopsTheJobUntilTheDiskHasRoom)
{
    const QString second =
        pluLine({{}, QStringLiteral("BREAD"), QStringLiteral("1"), QStringLiteral("2.00"), QStringLiteral("13"), {}});
    ASSERT_TRUE(writeTextFile(path(QStringLiteral("print.1")),
                              kSale + QStringLiteral("\r\n") + second + QStringLiteral("\r\n tot   1       7.00\r\n")));
    for (int failing = 1; failing <= 6; ++failing) {
        SCOPED_TRACE(failing);
        QFile::remove(path(QStringLiteral("Result")));
        QFile::remove(path(QStringLiteral("journal/job")));
        ecr_.sent.clear();
        trackReceipt();
        JobJournal full(path(QStringLiteral("journal")), CrashPoints(),
                        WriteFaults(QStringLiteral("write:%1-%1").arg(failing)));
        Translator first(session_, progress_, &full);
        EXPECT_THROW(first.translate(path(QStringLiteral("print.1")), settings_), JobInterrupted);
        const QStringList sentBefore = ecr_.commands();
        const auto entry = journal_.unfinished();
        if (failing == 1) {
            // No entry could be made: nothing reached the register or the host.
            EXPECT_FALSE(entry.has_value());
            EXPECT_EQ(sentBefore, QStringList{QStringLiteral("KXRE")});
            EXPECT_FALSE(QFile::exists(path(QStringLiteral("Result"))));
            continue;
        }
        ASSERT_TRUE(entry.has_value());
        Translator next(session_, progress_, &journal_);
        EXPECT_EQ(next.recover(*entry, settings_, false).outcome, Recovery::Outcome::Finished);
        EXPECT_EQ(journal_.unfinished()->attempt, 1);
        // Every sale once on the receipt that was paid: after the last cancel.
        const QStringList all = ecr_.commands();
        const QStringList kept = all.mid(all.lastIndexOf(QStringLiteral("KX@215T0")) + 1);
        EXPECT_EQ(kept.filter(QStringLiteral("WATER")).size(), 1) << all.join(QLatin1Char('|')).toStdString();
        EXPECT_EQ(kept.filter(QStringLiteral("BREAD")).size(), 1);
        EXPECT_EQ(all.count(QStringLiteral("KX700T1")), 1);
        const QStringList lines = resultLines();
        EXPECT_EQ(lines.filter(QStringLiteral("tag = ")).size(), 1) << lines.join(QLatin1Char('|')).toStdString();
        EXPECT_EQ(lines.filter(QStringLiteral("exitcode = 0")).size(), 1);
        journal_.finish();
    }
    ecr_.onSend = nullptr;
}

TEST_F(Recovery_, AReceiptAJobLeftOpenIsReportedAndTheNextJobCancelsIt)
{
    ASSERT_TRUE(writeTextFile(path(QStringLiteral("open.prn")), kSale + QStringLiteral("\r\n")));
    const QString paid = kSale + QStringLiteral("\r\n tot   1       5.00\r\n");
    // Open at the first job's end and at the next two jobs' starts; the
    // first cancel is refused (the receipt holds a payment), the second not.
    // The third job's first answer comes after line noise: it is asked again,
    // never read as "no receipt open".
    ecr_.script(QStringLiteral("KXSTAT"),
                {{0, QStringLiteral("STAT:1")},
                 {0, QStringLiteral("STAT:1")},
                 {0, QStringLiteral("\u007fU\u00aaSTAT:1")},
                 {0, QStringLiteral("STAT:1")},
                 {0, QStringLiteral("STAT:0")}});
    ecr_.answer(QStringLiteral("KX@215T0"), 1038);
    QStringList notices;
    // Each job in a process of its own (a one-shot run, or a restart): what
    // the last job left open is known from the journal folder alone.
    const auto translate = [&](const QString &name) {
        Translator translator(session_, progress_, &journal_);
        translator.notice = [&notices](const QString &text) { notices << text; };
        return translator.translate(path(name), settings_);
    };
    ASSERT_TRUE(translate(QStringLiteral("open.prn")));
    EXPECT_EQ(resultLines().last(), QStringLiteral("exitcode = 2"));
    QStringList settle{QStringLiteral("KXCL"), QStringLiteral("KXCL"), QStringLiteral("KXSTAT"),
                       QStringLiteral("KX@215T0")};
    for (const char *exitLine : {"exitcode = 1", "exitcode = 0"}) {
        ecr_.sent.clear();
        ASSERT_TRUE(writeTextFile(path(QStringLiteral("paid.prn")), paid));
        ASSERT_TRUE(translate(QStringLiteral("paid.prn")));
        EXPECT_EQ(ecr_.commands().mid(1, settle.size()), settle) << exitLine;
        settle.insert(2, QStringLiteral("KXSTAT"));
        // Refused: nothing of this job may go into that receipt.
        EXPECT_EQ(ecr_.commands().contains(QStringLiteral("KX500R2WATER")), QLatin1String(exitLine).endsWith('0'));
        EXPECT_EQ(resultLines().last(), QLatin1String(exitLine));
    }
    EXPECT_EQ(notices.size(), 2);
}

} // namespace
