// The poll cycle: which print file a tick takes, what survives its job, what
// the host finds in "receipt.txt", and that a tick falling due in the middle
// of a job starts nothing.

#include "controller_fixture.h"

#include "journal/jobjournal.h"

#include <QFile>

#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

using namespace dravimo;
using namespace dravimo::test;

namespace {

class PollCycle : public ControllerTest
{
protected:
    void multiFile(const QString &file = QStringLiteral("print"), const QString &location = {})
    {
        writeParamIni({QStringLiteral("[multi type] true"), QStringLiteral("[file] ") + file,
                       QStringLiteral("[location] ") + location});
    }
    void singleFile(const QString &file)
    {
        writeParamIni({QStringLiteral("[multi type] false"), QStringLiteral("[file] ") + file});
    }
    static void job(const QString &name) { writeFile(name, "  PLU line\r\n"); }
    static bool exists(const QString &name) { return QFile::exists(name); }
};

// A settlement that gets part of the way (the restart's try counted, the
// open receipt cancelled) and is then cut short by a register gone silent
// goes on from what it left in the journal: starting again from the entry
// read at start-up would count the restart twice and replay the cancelled
// receipt's lines as if they were still on the register.
TEST_F(PollCycle, ASettlementCutShortGoesOnFromWhatItLeftInTheJournal)
{
    writeParamIni({QStringLiteral("[port] com1"), QStringLiteral("[baud] 9600"), QStringLiteral("[multi type] true"),
                   QStringLiteral("[file] print")});
    JobJournal journal(QStringLiteral("journal"));
    JournalEntry left;
    left.path = QStringLiteral("print.1");
    left.replies = {{0, QStringLiteral("OK"), -1}, {0, QStringLiteral("OK"), -1}, {0, QStringLiteral("OK"), -1}};
    ASSERT_TRUE(journal.begin(left));
    struct Try
    {
        qsizetype replies;
        int attempt;
        bool afterRestart;
    };
    std::vector<Try> tries;
    form().setJournal(journal, [&](const JournalEntry &entry, const TranslationOptions &, bool afterRestart) {
        tries.push_back({entry.replies.size(), entry.attempt, afterRestart});
        if (tries.size() > 1)
            return Recovery{Recovery::Outcome::Finished, QStringLiteral("settled")};
        JournalEntry cancelled = entry;
        ++cancelled.attempt;
        cancelled.replies = entry.replies.mid(0, 1);
        EXPECT_TRUE(journal.begin(cancelled));
        return Recovery{Recovery::Outcome::EcrSilent, QString()};
    });
    form().start();
    form().pollTick();
    form().pollTick();
    ASSERT_EQ(tries.size(), 2U);
    EXPECT_TRUE(tries[0].replies == 3 && tries[0].attempt == 1 && tries[0].afterRestart);
    EXPECT_TRUE(tries[1].replies == 1 && tries[1].attempt == 2 && !tries[1].afterRestart);
    EXPECT_TRUE(view.notices().contains(QStringLiteral("settled")));
}

// A file the system will not let us read keeps its place (the lowest number
// goes first) and is reported once, with its name and the reason.
TEST_F(PollCycle, UnreadableFileIsReportedOnceAndKeepsItsPlace)
{
#ifndef Q_OS_UNIX
    GTEST_SKIP() << "file permissions are checked on POSIX systems";
#else
    multiFile();
    job(QStringLiteral("print.1"));
    job(QStringLiteral("print.2"));
    const auto mode = [](const QString &name, mode_t m) {
        return ::chmod(QFile::encodeName(name).constData(), m) == 0;
    };
    ASSERT_TRUE(mode(folder.folder(), 0777) && mode(QStringLiteral("param.ini"), 0644)
                && mode(QStringLiteral("print.1"), 0222) && mode(QStringLiteral("print.2"), 0666));
    const QString report =
        QStringLiteral("Δεν διαβάζεται το αρχείο εκτύπωσης print.1: ") + QString::fromLocal8Bit(std::strerror(EACCES));
    EXPECT_TRUE(asUnprivilegedUser([&] {
        form().pollTick();
        form().pollTick();
        return translated.isEmpty() && view.status() == report && view.notices() == QStringList{report};
    }));
    ASSERT_TRUE(mode(QStringLiteral("print.1"), 0666));
    form().pollTick();
    EXPECT_EQ(translated, QStringList{QStringLiteral("print.1")});
#endif
}

TEST_F(PollCycle, LowestPendingNumberGoesFirstOneFilePerTick)
{
    multiFile();
    job(QStringLiteral("print.2"));
    job(QStringLiteral("print.5"));
    form().pollTick();
    EXPECT_EQ(translated, QStringList{QStringLiteral("print.2")});
    EXPECT_FALSE(exists(QStringLiteral("print.2")));
    EXPECT_TRUE(exists(QStringLiteral("print.5")));
    form().pollTick();
    EXPECT_EQ(translated, (QStringList{QStringLiteral("print.2"), QStringLiteral("print.5")}));
    form().pollTick();
    EXPECT_EQ(translated.size(), 2) << "an idle tick must not call the translator";
}

// A param.ini that turns unusable while the program runs (a 200 MB file was
// once read whole on every tick) makes idle ticks, is reported once per
// problem and is not read again until it changes; fixed, the next tick works.
TEST_F(PollCycle, UnusableSettingsFileMakesIdleTicksReportedOnce)
{
    multiFile();
    const QByteArray usable = readFile(QStringLiteral("param.ini"));
    job(QStringLiteral("print.1"));
    for (const QByteArray &bad : {usable + QByteArray(1100 * 1024, '#'), usable + QByteArray(1, '\0')}) {
        writeFile(QStringLiteral("param.ini"), bad);
        form().pollTick();
        form().pollTick();
        EXPECT_TRUE(translated.isEmpty());
    }
    ASSERT_EQ(view.notices().size(), 2) << view.notices().join(QLatin1Char('\n')).toStdString();
    EXPECT_TRUE(view.notices()[0].contains(QStringLiteral("πολύ μεγάλο")));
    EXPECT_TRUE(view.notices()[1].contains(QStringLiteral("byte NUL")));
    writeFile(QStringLiteral("param.ini"), usable);
    form().pollTick();
    EXPECT_EQ(translated, QStringList{QStringLiteral("print.1")});
}

TEST_F(PollCycle, EmptyPrintFileIsSkippedAndKept)
{
    multiFile();
    writeFile(QStringLiteral("print.1"), QByteArray());
    job(QStringLiteral("print.3"));
    form().pollTick();
    EXPECT_EQ(translated, QStringList{QStringLiteral("print.3")});
    EXPECT_TRUE(exists(QStringLiteral("print.1")));
    form().pollTick();
    EXPECT_EQ(translated.size(), 1);
    job(QStringLiteral("print.1"));
    form().pollTick();
    EXPECT_EQ(translated.last(), QStringLiteral("print.1"));
}

TEST_F(PollCycle, ProgrammingFilesSurviveTheirJob)
{
    struct Case
    {
        bool multi;
        QString stem;
        bool kept;
    };
    // Multi-file mode compares "prg.1" as it stands; single-file mode
    // compares the upper-cased tail with "PRG.1".
    const Case cases[] = {
        {true, QStringLiteral("prg"), true},    {true, QStringLiteral("PRG"), false},
        {true, QStringLiteral("dayprg"), true}, {false, QStringLiteral("PRG"), true},
        {false, QStringLiteral("prg"), true},   {false, QStringLiteral("prn"), false},
    };
    for (const Case &c : cases) {
        const QString name = c.stem + QStringLiteral(".1");
        if (c.multi)
            multiFile(c.stem);
        else
            singleFile(name);
        job(name);
        form().pollTick();
        ASSERT_FALSE(translated.isEmpty());
        EXPECT_EQ(translated.last(), name);
        EXPECT_EQ(exists(name), c.kept) << name.toStdString() << (c.multi ? " multi" : " single");
        QFile::remove(name);
    }
}

TEST_F(PollCycle, MultiTypeNeitherTrueNorFalseNeverProcesses)
{
    job(QStringLiteral("print.1"));
    job(QStringLiteral("print"));
    // Key missing, and the key without its space (which reads "rue").
    const QStringList inis[] = {
        {QStringLiteral("[file] print")},
        {QStringLiteral("[multi type]true"), QStringLiteral("[file] print")},
    };
    for (const QStringList &ini : inis) {
        writeParamIni(ini);
        form().pollTick();
    }
    EXPECT_TRUE(translated.isEmpty());
    EXPECT_TRUE(exists(QStringLiteral("print.1")));
}

TEST_F(PollCycle, WildcardWithEmptyLocationLooksInTheWorkingFolder)
{
    multiFile(QStringLiteral("*.prn"));
    job(QStringLiteral("b.prn"));
    job(QStringLiteral("a.prn"));
    job(QStringLiteral("a.txt"));
    form().pollTick();
    form().pollTick();
    form().pollTick();
    EXPECT_EQ(translated, (QStringList{QStringLiteral("a.prn"), QStringLiteral("b.prn")}));
    EXPECT_TRUE(exists(QStringLiteral("a.txt")));
}

TEST_F(PollCycle, WildcardWithLocationGivesLocationPlusName)
{
    QDir().mkdir(QStringLiteral("spool"));
    const QString location = QDir::current().absoluteFilePath(QStringLiteral("spool")) + QLatin1Char('/');
    multiFile(QStringLiteral("*.prn"), location);
    job(location + QStringLiteral("x.prn"));
    form().pollTick();
    EXPECT_EQ(translated, QStringList{location + QStringLiteral("x.prn")});
    EXPECT_FALSE(exists(location + QStringLiteral("x.prn")));
}

TEST_F(PollCycle, ReceiptFileHoldsTheJobCounterAfterEachMultiFileJob)
{
    multiFile();
    for (int n = 1; n <= 3; ++n) {
        job(QStringLiteral("print.1"));
        form().pollTick();
        EXPECT_EQ(readFile(QStringLiteral("receipt.txt")), QByteArray::number(n) + "\r\n");
        EXPECT_EQ(view.label(InfoLabel::JobCounter), QString::number(n));
    }
    EXPECT_EQ(view.status(), QStringLiteral("Αναμονη Για Στοιχεια...."));
    EXPECT_EQ(view.caption(), QStringLiteral("Dravimo- Αναμονη"));
}

TEST_F(PollCycle, SingleFileJobEmptiesReceiptFileAndDeletesThePrintFile)
{
    writeFile(QStringLiteral("receipt.txt"), "12\r\n");
    singleFile(QStringLiteral("print.txt"));
    job(QStringLiteral("print.txt"));
    form().pollTick();
    EXPECT_EQ(translated, QStringList{QStringLiteral("print.txt")});
    EXPECT_FALSE(exists(QStringLiteral("print.txt")));
    EXPECT_TRUE(exists(QStringLiteral("receipt.txt")));
    EXPECT_EQ(readFile(QStringLiteral("receipt.txt")), QByteArray());
    EXPECT_EQ(view.label(InfoLabel::JobCounter), QStringLiteral("1"));
}

// A missing, empty or locked file in single-file mode is an idle tick: no
// job, no counter, the file left alone, "receipt.txt" emptied and closed.
TEST_F(PollCycle, SingleFileTickWithoutAReadyFileIsIdle)
{
    singleFile(QStringLiteral("print.txt"));
    writeFile(QStringLiteral("receipt.txt"), "4\r\n");
    form().pollTick();
    writeFile(QStringLiteral("print.txt"), QByteArray());
    form().pollTick();
    EXPECT_TRUE(translated.isEmpty());
    EXPECT_TRUE(exists(QStringLiteral("print.txt")));
    EXPECT_EQ(readFile(QStringLiteral("receipt.txt")), QByteArray());
    EXPECT_EQ(view.label(InfoLabel::JobCounter), QString());

    job(QStringLiteral("print.txt"));
    const int fd = ::open("print.txt", O_RDONLY);
    ASSERT_GE(fd, 0);
    ASSERT_EQ(::flock(fd, LOCK_EX), 0);
    form().pollTick();
    EXPECT_TRUE(translated.isEmpty()) << "a file the host still holds locked was taken";
    ::close(fd);
    form().pollTick();
    EXPECT_EQ(translated, QStringList{QStringLiteral("print.txt")});
    EXPECT_EQ(view.label(InfoLabel::JobCounter), QStringLiteral("1"));
}

TEST_F(PollCycle, LockedNumberedFileWaitsWhileTheNextOneGoes)
{
    multiFile();
    job(QStringLiteral("print.1"));
    job(QStringLiteral("print.2"));
    const int fd = ::open("print.1", O_RDONLY);
    ASSERT_GE(fd, 0);
    ASSERT_EQ(::flock(fd, LOCK_SH), 0);
    form().pollTick();
    ::close(fd);
    form().pollTick();
    EXPECT_EQ(translated, (QStringList{QStringLiteral("print.2"), QStringLiteral("print.1")}));
}

TEST_F(PollCycle, FileTheTranslatorCouldNotReadIsKept)
{
    translatorAnswer = [](const QString &) { return false; };
    multiFile();
    job(QStringLiteral("print.1"));
    form().pollTick();
    EXPECT_TRUE(exists(QStringLiteral("print.1")));
    singleFile(QStringLiteral("print.txt"));
    job(QStringLiteral("print.txt"));
    form().pollTick();
    EXPECT_TRUE(exists(QStringLiteral("print.txt")));
    EXPECT_EQ(translated.size(), 2);
}

TEST_F(PollCycle, SettingsAreReadAgainOnEveryTick)
{
    multiFile(QStringLiteral("first"));
    job(QStringLiteral("second.1"));
    form().pollTick();
    EXPECT_TRUE(translated.isEmpty());
    multiFile(QStringLiteral("second"));
    form().pollTick();
    EXPECT_EQ(translated, QStringList{QStringLiteral("second.1")});
}

TEST_F(PollCycle, ReceiptCounterPast32767StartsAgainAndTheCycleGoesOn)
{
    for (int n = 0; n < 32766; ++n)
        form().nextJobNumber();
    multiFile();
    job(QStringLiteral("print.1"));
    form().pollTick();
    EXPECT_EQ(view.label(InfoLabel::JobCounter), QStringLiteral("32767"));
    job(QStringLiteral("print.1"));
    form().pollTick();
    EXPECT_EQ(view.label(InfoLabel::JobCounter), QStringLiteral("1"));
    EXPECT_EQ(readFile(QStringLiteral("receipt.txt")), QByteArray("1\r\n"));
    EXPECT_EQ(translated.size(), 2);
}

TEST_F(PollCycle, ProgressIsResetAtEveryTick)
{
    multiFile();
    view.setProgressText(QStringLiteral(" Ολοκληρώθηκε το 100%"));
    form().pollTick();
    EXPECT_EQ(view.progressText(), QStringLiteral("-"));
}

TEST_F(PollCycle, RejectedCommandLineEndsTheProgramAtATick)
{
    commandLine = QStringLiteral("com1:9600,9600,print.txt,0,mikro,11");
    job(QStringLiteral("print.txt"));
    form().pollTick();
    EXPECT_TRUE(view.ended());
    EXPECT_TRUE(translated.isEmpty());
}

// The translator lets events run while a job is under way, so a poll tick can
// be delivered in the middle of one (Qt never re-enters the same timer, but
// the window's other events can call the cycle, as the register's old
// message loop did). Such a tick starts nothing.
TEST_F(PollCycle, TickFallingDueDuringAJobStartsNothing)
{
    multiFile();
    job(QStringLiteral("print.1"));
    job(QStringLiteral("print.2"));
    int depth = 0;
    int deepest = 0;
    form().setTranslator([&](const QString &path, const PrintJobFiles::Taken &, const TranslationOptions &) {
        ++depth;
        deepest = std::max(deepest, depth);
        translated.append(path);
        if (depth == 1)
            form().pollTick();
        --depth;
        return true;
    });
    form().pollTick();
    EXPECT_EQ(deepest, 1);
    EXPECT_EQ(translated, QStringList{QStringLiteral("print.1")});
    form().pollTick();
    EXPECT_EQ(translated, (QStringList{QStringLiteral("print.1"), QStringLiteral("print.2")}));
}

// The same on the running timer with a fast clock: while a job spins the
// event loop, ticks keep falling due; one file per job, in order.
TEST_F(PollCycle, RunningPollTimerHandlesBurstInOrder)
{
    clock = ScaledClock(1000.0);
    multiFile();
    for (const char *name : {"print.3", "print.1", "print.2"})
        job(QLatin1String(name));
    int depth = 0;
    int deepest = 0;
    form().setTranslator([&](const QString &path, const PrintJobFiles::Taken &, const TranslationOptions &) {
        deepest = std::max(deepest, ++depth);
        translated.append(path);
        waitUntil([] { return false; }, 20);
        --depth;
        return true;
    });
    form().startPrinting();
    ASSERT_TRUE(form().pollTimer().isActive());
    EXPECT_EQ(form().pollTimer().interval(), 1);
    EXPECT_TRUE(waitUntil([&] { return translated.size() >= 3 && depth == 0; }));
    form().stopPrinting();
    EXPECT_EQ(deepest, 1);
    EXPECT_EQ(translated,
              (QStringList{QStringLiteral("print.1"), QStringLiteral("print.2"), QStringLiteral("print.3")}));
}

// A report under way is an ECR operation too: a tick delivered while its
// command waits for the register starts no job.
TEST_F(PollCycle, TickDuringAReportStartsNothing)
{
    multiFile();
    job(QStringLiteral("print.1"));
    ecr.onSend = [&](const QString &command) {
        if (command == QLatin1String("KX0T1"))
            form().pollTick();
    };
    form().dailyXReport();
    EXPECT_EQ(ecr.commands(), QStringList{QStringLiteral("KX0T1")});
    EXPECT_TRUE(translated.isEmpty());
}

} // namespace
