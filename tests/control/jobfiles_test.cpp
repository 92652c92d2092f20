// The job files of the poll cycle: the ready test, programming files, the
// order of numbered files, the wildcard search, "receipt.txt", and the error
// list of the start action.

#include "control/jobfiles.h"
#include "control/launch.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <fcntl.h>
#include <sys/file.h>
#include <sys/wait.h>
#include <unistd.h>

using namespace dravimo;

namespace {

class JobFiles : public ::testing::Test
{
protected:
    JobFiles() : previous_(QDir::currentPath()) { QDir::setCurrent(dir_.path()); }
    ~JobFiles() override { QDir::setCurrent(previous_); }

    static void write(const QString &name, const QByteArray &bytes)
    {
        QFile f(name);
        ASSERT_TRUE(f.open(QIODevice::WriteOnly | QIODevice::Truncate));
        f.write(bytes);
    }

    QTemporaryDir dir_;
    QString previous_;
};

TEST_F(JobFiles, ReadyMeansPresentNotEmptyAndNotLocked)
{
    write(QStringLiteral("full"), "x");
    write(QStringLiteral("empty"), QByteArray());
    QDir().mkdir(QStringLiteral("folder.1"));
    EXPECT_TRUE(isReadyFile(QStringLiteral("full")));
    EXPECT_FALSE(isReadyFile(QStringLiteral("missing")));
    EXPECT_FALSE(isReadyFile(QStringLiteral("empty")));
    EXPECT_FALSE(isReadyFile(QStringLiteral("folder.1")));
    EXPECT_TRUE((readAccess(QStringLiteral("full")).state == ReadAccess::Free));
    EXPECT_FALSE((readAccess(QStringLiteral("missing")).state == ReadAccess::Free));

    // Another open file description holding a lock: the host still writing.
    for (int lock : {LOCK_SH, LOCK_EX}) {
        const int fd = ::open("full", O_RDONLY);
        ASSERT_GE(fd, 0);
        ASSERT_EQ(::flock(fd, lock), 0);
        EXPECT_FALSE(isReadyFile(QStringLiteral("full")));
        EXPECT_FALSE((readAccess(QStringLiteral("full")).state == ReadAccess::Free));
        ::close(fd);
        EXPECT_TRUE(isReadyFile(QStringLiteral("full")));
    }
}

// An fcntl record lock is per process: only another process can show it.
TEST_F(JobFiles, FcntlLockOfAnotherProcessMakesTheFileNotReady)
{
    write(QStringLiteral("held"), "x");
    int ready[2];
    ASSERT_EQ(::pipe(ready), 0);
    int release[2];
    ASSERT_EQ(::pipe(release), 0);
    const pid_t child = ::fork();
    ASSERT_GE(child, 0);
    if (child == 0) {
        const int fd = ::open("held", O_RDWR);
        struct flock lock = {};
        lock.l_type = F_WRLCK;
        lock.l_whence = SEEK_SET;
        ::fcntl(fd, F_SETLK, &lock);
        char c = 'r';
        (void)!::write(ready[1], &c, 1);
        (void)!::read(release[0], &c, 1);
        ::_exit(0);
    }
    char c = 0;
    ASSERT_EQ(::read(ready[0], &c, 1), 1);
    EXPECT_FALSE(isReadyFile(QStringLiteral("held")));
    EXPECT_FALSE((readAccess(QStringLiteral("held")).state == ReadAccess::Free));
    (void)!::write(release[1], &c, 1);
    int status = 0;
    ::waitpid(child, &status, 0);
    EXPECT_TRUE(isReadyFile(QStringLiteral("held")));
    for (int fd : {ready[0], ready[1], release[0], release[1]})
        ::close(fd);
}

TEST_F(JobFiles, ProgrammingFileNames)
{
    struct Case
    {
        const char *path;
        bool multi;
        bool programming;
    };
    const Case cases[] = {
        {"prg.1", true, true},       {"c:/pos/dayprg.1", true, true}, {"PRG.1", true, false},
        {"Prg.1", true, false},      {"PRG.1", false, true},          {"prg.1", false, true},
        {"/pos/Prg.1", false, true}, {"print.1", false, false},       {"prg.10", true, false},
    };
    for (const Case &c : cases)
        EXPECT_EQ(isProgrammingFile(QLatin1String(c.path), c.multi), c.programming) << c.path << " " << c.multi;
}

TEST_F(JobFiles, NumberedFilesLowestReadyFirstUpToTen)
{
    EXPECT_EQ(findNumberedPrintFile(QStringLiteral("print")), QString());
    write(QStringLiteral("print.11"), "x");
    EXPECT_EQ(findNumberedPrintFile(QStringLiteral("print")), QString()) << "only 1 to 10 are looked at";
    write(QStringLiteral("print.10"), "x");
    write(QStringLiteral("print.3"), "x");
    write(QStringLiteral("print.2"), QByteArray());
    EXPECT_EQ(findNumberedPrintFile(QStringLiteral("print")), QStringLiteral("print.3"));
}

TEST_F(JobFiles, WildcardTakesTheFirstNameAndMakesNoReadyTest)
{
    EXPECT_EQ(findWildcardPrintFile(QString(), QStringLiteral("*.prn")), QString());
    write(QStringLiteral("b.prn"), "x");
    write(QStringLiteral("a.prn"), QByteArray());
    EXPECT_EQ(findWildcardPrintFile(QString(), QStringLiteral("*.prn")), QStringLiteral("a.prn"));
    QDir().mkdir(QStringLiteral("in"));
    write(QStringLiteral("in/z.prn"), "x");
    const QString location = QDir::current().absoluteFilePath(QStringLiteral("in")) + QLatin1Char('/');
    EXPECT_EQ(findWildcardPrintFile(location, QStringLiteral("*.prn")), location + QStringLiteral("z.prn"));
}

TEST_F(JobFiles, ReceiptFileIsTheCounterAndCrLf)
{
    for (qint16 n : {qint16(7), qint16(32767)}) {
        writeReceiptFile(n);
        QFile f(QStringLiteral("receipt.txt"));
        ASSERT_TRUE(f.open(QIODevice::ReadOnly));
        EXPECT_EQ(f.readAll(), QByteArray::number(n) + "\r\n");
    }
}

TEST_F(JobFiles, ErrorListLinesMatchOnTheTwoDigitNumber)
{
    EXPECT_TRUE(errorListLines(53).isEmpty()) << "no error.lst";
    write(QStringLiteral("error.lst"),
          "#53File not found\r\n 70Permission denied\r\n#5 single digit\r\n#xxno number\r\n#531longer\r\n");
    EXPECT_EQ(errorListLines(53), (QStringList{QStringLiteral("#53File not found"), QStringLiteral("#531longer")}));
    EXPECT_EQ(errorListLines(70), QStringList{QStringLiteral(" 70Permission denied")});
    EXPECT_EQ(errorListLines(5), QStringList{QStringLiteral("#5 single digit")});
    EXPECT_TRUE(errorListLines(0).isEmpty());
}

TEST_F(JobFiles, MissingBatchFileIsFileNotFound)
{
    EXPECT_EQ(startBatch(), kFileNotFound);
}

} // namespace
