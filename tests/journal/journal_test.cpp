// The job journal: what a crash or a power cut can leave of it must read as
// a state the job really was in, and one folder takes one process.
#include "journal/jobjournal.h"

#include "tests/support/scratch.h"

#include <QCryptographicHash>
#include <QDir>
#include <QFile>
#include <QFileInfo>

#include <gtest/gtest.h>

#ifdef Q_OS_UNIX
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>
#endif

namespace dravimo {
namespace {

JournalEntry header()
{
    return JournalEntry{QStringLiteral("/shop/print folder/print.1"),
                        fingerprintOf("PLU ..."),
                        QStringLiteral("RE:00012:345"),
                        1,
                        true,
                        {},
                        false,
                        false};
}

TEST(JournalEntry, EveryCutReadsAsTheLastWholeStateAndDamageAsTheStateBefore)
{
    test::ScratchFolder scratch;
    JobJournal journal(QStringLiteral("journal"));
    // Each write of a job, the state it leaves, and the entry's size after it.
    QList<JournalEntry> states{header()};
    QList<qsizetype> ends;
    const auto entrySize = [] { return QFileInfo(QStringLiteral("journal/job")).size(); };
    ASSERT_TRUE(journal.begin(states.last()));
    ends.append(entrySize());
    const auto step = [&](const std::function<bool()> &write, const std::function<void(JournalEntry &)> &change) {
        ASSERT_TRUE(write());
        JournalEntry e = states.last();
        change(e);
        states.append(e);
        ends.append(entrySize());
    };
    const JournalReply clear{0, QStringLiteral("CL:0:345")};
    const JournalReply refused{1038, QStringLiteral("1038")};
    const JournalReply card{0, QStringLiteral("358OK 1:2 * 3\r\n\x04 ΑΒΓ"), 417}; // any bytes a reply may hold
    step([&] { return journal.recordReply(clear); }, [&](JournalEntry &e) { e.replies.append(clear); });
    step([&] { return journal.recordReply(refused); }, [&](JournalEntry &e) { e.replies.append(refused); });
    step([&] { return journal.recordCardSent(); }, [](JournalEntry &e) { e.cardInFlight = true; });
    step([&] { return journal.recordReply(card); },
         [&](JournalEntry &e) {
             e.cardInFlight = false;
             e.replies.append(card);
         });
    step([&] { return journal.recordOutcome(true, 5); },
         [](JournalEntry &e) {
             e.outcomeWritten = true;
             e.leftOpen = true;
             e.leftOpenTable = 5;
         });
    const QByteArray whole = test::readFile(QStringLiteral("journal/job"));
    ASSERT_EQ(JobJournal::parse(whole), states.last());
    for (qsizetype cut = 0; cut <= whole.size(); ++cut) {
        std::optional<JournalEntry> expected;
        for (qsizetype i = 0; i < states.size(); ++i) {
            if (ends[i] <= cut)
                expected = states[i];
        }
        ASSERT_EQ(JobJournal::parse(whole.left(cut)), expected) << "cut at byte " << cut;
    }
    // A damaged byte inside the second reply: the job reads as it was before it.
    QByteArray damaged = whole;
    damaged[ends[2] - 4] = damaged[ends[2] - 4] == 'x' ? 'y' : 'x';
    EXPECT_EQ(JobJournal::parse(damaged), states[1]);

    // Recovery's pending cancel rides in the entry it rewrites whole, and so
    // do the table the job began by putting aside and a host's idempotency key
    // (any printable characters, spaces included).
    JournalEntry pending = states.last();
    pending.cancelResumeAt = 1;
    pending.settleTable = 7;
    pending.key = QStringLiteral("order 42/7 *a%b");
    pending.replyLost = true;
    EXPECT_EQ(JobJournal::parse(JobJournal::serialise(pending)), pending);
}

// An entry an older Dravimo left (version 1: no result-file sizes, no pending
// cancel, a plain outcome) is still settled.
TEST(JournalEntry, AnOlderEntryIsStillRead)
{
    QByteArray old;
    for (const QByteArray &line : QList<QByteArray>{"dravimo-job 1", "path %2Fshop%2Fprint.1", "fingerprint ab",
                                                    "before RE%3A1", "attempt 2", "settle 0", "r 0 CL", "outcome"}) {
        old += line + " *" + QCryptographicHash::hash(line, QCryptographicHash::Md5).toHex().left(8) + '\n';
    }
    const auto e = JobJournal::parse(old);
    ASSERT_TRUE(e.has_value());
    EXPECT_EQ(e->path, QStringLiteral("/shop/print.1"));
    EXPECT_EQ(e->attempt, 2);
    EXPECT_EQ(e->replies, (QList<JournalReply>{{0, QStringLiteral("CL"), -1}}));
    EXPECT_TRUE(e->outcomeWritten);
    EXPECT_EQ(e->resultSize, -1);
    EXPECT_EQ(e->cancelResumeAt, -1);
}

TEST(JobJournal, AnEntryOutlivesTheProcessUntilTheJobEnds)
{
    test::ScratchFolder scratch;
    JournalEntry expected = header();
    {
        JobJournal journal(QStringLiteral("journal"));
        ASSERT_TRUE(journal.begin(expected));
        ASSERT_TRUE(journal.recordReply({0, QStringLiteral("OK")}));
        ASSERT_TRUE(journal.recordCardSent());
    }
    expected.replies.append({0, QStringLiteral("OK")});
    expected.cardInFlight = true;
    JobJournal journal(QStringLiteral("journal"));
    EXPECT_EQ(journal.unfinished(), expected);
    // Recovery rewrites the entry whole; no temporary file stays beside it.
    expected.attempt = 2;
    expected.cardInFlight = false;
    ASSERT_TRUE(journal.begin(expected));
    EXPECT_EQ(journal.unfinished(), expected);
    EXPECT_EQ(QDir(QStringLiteral("journal")).entryList(QDir::Files), QStringList{QStringLiteral("job")});
    journal.finish();
    EXPECT_EQ(journal.unfinished(), std::nullopt);
}

TEST(JobJournal, OneProcessPerWorkingFolderAndALockLeftByADeadOneIsTakenOver)
{
    test::ScratchFolder scratch;
    QString why;
    {
        JobJournal first(QStringLiteral("journal"));
        ASSERT_TRUE(first.lock(why)) << why.toStdString();
        // A second holder in this very process is refused as another process would be.
        JobJournal second(QStringLiteral("journal"));
        EXPECT_FALSE(second.lock(why));
        EXPECT_TRUE(why.contains(QStringLiteral("already running"))) << why.toStdString();
    }
#ifdef Q_OS_UNIX
    // What a killed process leaves: its lock, naming a process that is gone.
    const pid_t child = ::fork();
    if (child == 0) {
        QString ignored;
        JobJournal dying(QStringLiteral("journal"));
        ::_exit(dying.lock(ignored) ? 0 : 1);
    }
    int status = 0;
    ASSERT_EQ(::waitpid(child, &status, 0), child);
    ASSERT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0);
    ASSERT_TRUE(QFile::exists(QStringLiteral("journal/lock")));
    JobJournal next(QStringLiteral("journal"));
    EXPECT_TRUE(next.lock(why)) << why.toStdString();
#endif
}

#ifdef Q_OS_UNIX
// The host's user shares Dravimo's group (it writes print files, reads result
// files); it must not read or replace the journal. An older Dravimo's
// group-readable journal is tightened at start-up.
TEST(JobJournal, TheJournalIsPrivateToDravimo)
{
    test::ScratchFolder scratch;
    QDir().mkpath(QStringLiteral("journal"));
    test::writeFile(QStringLiteral("journal/job"), "left by an older version");
    ::chmod("journal", 0755);
    ::chmod("journal/job", 0644);
    const auto mode = [](const char *name) {
        struct stat st = {};
        return ::stat(name, &st) == 0 ? int(st.st_mode & 07777) : -1;
    };
    JobJournal journal(QStringLiteral("journal"));
    QString why;
    ASSERT_TRUE(journal.lock(why)) << why.toStdString();
    EXPECT_EQ(mode("journal"), 0700);
    EXPECT_EQ(mode("journal/job"), 0600);
    EXPECT_EQ(mode("journal/lock"), 0600);
    ASSERT_TRUE(journal.begin(header()));
    ASSERT_TRUE(journal.recordOutcome(true));
    EXPECT_EQ(mode("journal/job"), 0600);
    EXPECT_EQ(mode("journal/left-open"), 0600);
    // The note outlives the entry, and goes with the next outcome that left
    // nothing open.
    ASSERT_TRUE(journal.finish());
    EXPECT_TRUE(JobJournal(QStringLiteral("journal")).receiptLeftOpen());
    ASSERT_TRUE(journal.begin(header()));
    ASSERT_TRUE(journal.recordOutcome(false));
    EXPECT_FALSE(journal.receiptLeftOpen());
    // A table left open for keying is the same kind of note, with or
    // without a receipt.
    ASSERT_TRUE(journal.recordOutcome(false, 12));
    EXPECT_FALSE(JobJournal(QStringLiteral("journal")).receiptLeftOpen());
    EXPECT_EQ(JobJournal(QStringLiteral("journal")).tableLeftOpen(), 12);
    EXPECT_EQ(test::readFile(QStringLiteral("journal/left-open")), QByteArray("table 12\n"));
    ASSERT_TRUE(journal.recordOutcome(true, 12));
    EXPECT_TRUE(journal.receiptLeftOpen());
    EXPECT_EQ(journal.tableLeftOpen(), 12);
    ASSERT_TRUE(journal.recordOutcome(false));
    EXPECT_EQ(journal.tableLeftOpen(), -1);
}
#endif

} // namespace
} // namespace dravimo
