// The watch on the print folder: which hand-overs start a tick at once, and a
// host writing in place under a lock never has half a file read.

#include "controller_fixture.h"

#include "control/jobfiles.h"
#include "control/printfolderwatch.h"
#include "core/commlog.h"
#include "settings/settings.h"

#include <QDir>
#include <QFile>

#include <fcntl.h>
#include <sys/file.h>
#include <unistd.h>

using namespace dravimo;
using namespace dravimo::test;

namespace {

class LogLines : public LogSink
{
public:
    void showLine(const QString &text) override { lines.append(text); }
    bool logsToFile() const override { return false; }
    QStringList lines;
};

// Runs the event loop for a while: long enough for a watch tick to come.
void settle()
{
    waitUntil([] { return false; }, 300);
}

#ifdef Q_OS_LINUX
TEST(PrintFolderWatch, TicksAtOnceForAHandedOverPrintFileOnly)
{
    ScratchFolder folder;
    ScaledClock clock;
    LogLines sink;
    CommLog log;
    log.setSink(&sink);
    PrintFolderWatch watch(clock, log);
    int ticks = 0;
    bool busy = false;
    std::function<void()> take = [] {};
    watch.setTick([&] {
        if (busy)
            return false;
        ++ticks;
        take();
        return true;
    });
    Settings s;
    s.fileMode = FileMode::Multi;
    s.file = QStringLiteral("print");
    watch.follow(s);
    ASSERT_TRUE(watch.watching()) << sink.lines.join(QLatin1Char('\n')).toStdString();
    EXPECT_EQ(watch.folder(), QDir::currentPath());

    // Written aside and renamed into place.
    writeFile(QStringLiteral("print.tmp"), "  PLU line\r\n");
    ASSERT_TRUE(QFile::rename(QStringLiteral("print.tmp"), QStringLiteral("print.1")));
    EXPECT_TRUE(waitUntil([&] { return ticks == 1; }, 2000));
    // The ready test opens the file for appending: that is no hand-over.
    EXPECT_TRUE(isReadyFile(QStringLiteral("print.1")));
    // Nor are files that are not print files of these settings.
    writeFile(QStringLiteral("receipt.txt"), "1\r\n");
    writeFile(QStringLiteral("print.11"), "x");
    writeFile(QStringLiteral("print.1.bak"), "x");
    settle();
    EXPECT_EQ(ticks, 1);

    // Written in place and closed; a register operation under way holds the
    // tick back until it has ended.
    busy = true;
    writeFile(QStringLiteral("print.2"), "  PLU line\r\n");
    settle();
    EXPECT_EQ(ticks, 1);
    busy = false;
    EXPECT_TRUE(waitUntil([&] { return ticks == 2; }, 2000));

    // An edit of [location] moves the watch.
    QDir().mkdir(QStringLiteral("elsewhere"));
    s.location = QStringLiteral("elsewhere/");
    watch.follow(s);
    writeFile(QStringLiteral("print.3"), "x");
    settle();
    EXPECT_EQ(ticks, 2);
    writeFile(QStringLiteral("elsewhere/print.3"), "x");
    EXPECT_TRUE(waitUntil([&] { return ticks == 3; }, 2000));
    // And of [file]: a pattern matches as the poll's listing does, in any case.
    s.file = QStringLiteral("*.prn");
    watch.follow(s);
    writeFile(QStringLiteral("elsewhere/print.4"), "x");
    settle();
    EXPECT_EQ(ticks, 3);
    writeFile(QStringLiteral("elsewhere/A.PRN"), "x");
    EXPECT_TRUE(waitUntil([&] { return ticks == 4; }, 2000));

    // Several handed over at once, each tick taking the first: the watch
    // ticks again until all are taken, without waiting for the poll.
    const auto waiting = [] { return QDir(QStringLiteral("elsewhere")).entryList({QStringLiteral("*.prn")}); };
    take = [&] { QFile::remove(QStringLiteral("elsewhere/") + waiting().value(0)); };
    for (const char *name : {"c.prn", "d.prn", "e.prn"})
        writeFile(QStringLiteral("elsewhere/") + QLatin1String(name), "x");
    EXPECT_TRUE(waitUntil([&] { return waiting().isEmpty(); }, 2000)) << waiting().join(u' ').toStdString();
    EXPECT_EQ(ticks, 8); // A.PRN was still there
    take = [] {};

    // Printing off: nothing more.
    watch.stop();
    writeFile(QStringLiteral("elsewhere/b.prn"), "x");
    settle();
    EXPECT_EQ(ticks, 8);

    // A folder that cannot be watched leaves the poll alone, and says so once.
    s.location = QStringLiteral("missing/");
    watch.follow(s);
    watch.follow(s);
    EXPECT_FALSE(watch.watching());
    ASSERT_EQ(sink.lines.filter(QStringLiteral("not watched")).size(), 1);
    EXPECT_TRUE(sink.lines.last().endsWith(QStringLiteral("checked every second: ") + QDir::currentPath()
                                           + QStringLiteral("/missing")));
}

// The other hand-over form: the host writes the file in place holding a lock
// on it, pauses in the middle, and even closes and reopens it meanwhile (a
// "closed after writing" event while the lock is held). No tick, watch or
// poll, may read it before the lock goes.
using WatchedFolder = ControllerTest;

TEST_F(WatchedFolder, HalfWrittenFileUnderLockIsNeverRead)
{
    writeParamIni({QStringLiteral("[multi type] true"), QStringLiteral("[file] print")});
    CommLog log;
    PrintFolderWatch watch(clock, log);
    form().setPrintFolderWatch(&watch);
    QList<QByteArray> read;
    translatorAnswer = [&](const QString &path) {
        read.append(readFile(path));
        return true;
    };
    form().startPrinting();
    form().pollTick();
    ASSERT_TRUE(watch.watching());

    const int lock = ::open("print.1", O_WRONLY | O_CREAT, 0644);
    ASSERT_GE(lock, 0);
    ASSERT_EQ(::flock(lock, LOCK_EX), 0);
    const auto append = [](const QByteArray &bytes) {
        QFile f(QStringLiteral("print.1"));
        ASSERT_TRUE(f.open(QIODevice::Append));
        ASSERT_EQ(f.write(bytes), bytes.size());
    };
    append(" PLU 0001          FIRST                              1       1.00      13   \r\n");
    // Longer than a poll tick.
    waitUntil([] { return false; }, 1300);
    EXPECT_TRUE(read.isEmpty()) << "half a file was read";
    append(" tot   1       1.00\r\n");
    ::close(lock);
    EXPECT_TRUE(waitUntil([&] { return !read.isEmpty(); }, 3000));
    form().stopPrinting();
    ASSERT_EQ(read.size(), 1);
    EXPECT_TRUE(read[0].endsWith(" tot   1       1.00\r\n"));
}
#endif

} // namespace
