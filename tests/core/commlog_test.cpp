// The communication log: nothing while no window is open; the window always,
// the file only while its box is ticked.
#include "core/commlog.h"
#include "core/files.h"

#include <QCoreApplication>
#include <QDir>
#include <QFileInfo>
#include <QTemporaryDir>

#include <gtest/gtest.h>

namespace dravimo {
namespace {

class FakeWindow : public LogSink
{
public:
    void showLine(const QString &text) override { lines.append(text); }
    bool logsToFile() const override { return ticked; }
    QStringList lines;
    bool ticked = false;
};

TEST(CommLog, WritesOnlyWhileAWindowIsOpenAndFilesOnlyTickedLines)
{
    QTemporaryDir dir;
    CommLog log(dir.filePath(kCommLogFile));
    FakeWindow window;
    window.ticked = true;
    log.write(QStringLiteral("before"));
    EXPECT_FALSE(log.isOpen());
    EXPECT_FALSE(QFile::exists(log.filePath()));

    log.setSink(&window);
    window.ticked = false;
    log.write(QStringLiteral("one"));
    window.ticked = true;
    log.write(QStringLiteral("δύο"));
    log.setSink(nullptr);
    log.write(QStringLiteral("after"));

    EXPECT_EQ(window.lines, (QStringList{QStringLiteral("one"), QStringLiteral("δύο")}));
    EXPECT_EQ(readTextFile(log.filePath()), QStringLiteral("δύο\r\n"));
}

TEST(CommLog, FileLivesBesideTheExecutable)
{
    EXPECT_EQ(QFileInfo(CommLog::defaultFilePath()).absolutePath(), QCoreApplication::applicationDirPath());
    EXPECT_EQ(CommLog().filePath(), CommLog::defaultFilePath());
}

// A service keeps the log without a window: every line goes to the file, and
// past the cap the file turns into the one rotated file, so the two together
// never hold more than twice the cap.
TEST(CommLog, KeptToFileWithoutAWindowAndRotatedOnceAtTheCap)
{
    QTemporaryDir dir;
    CommLog log(dir.filePath(kCommLogFile));
    log.keepToFile(true);
    EXPECT_TRUE(log.isOpen());
    const QString line(1000, QLatin1Char('x'));
    const int perFile = int(kCommLogCapBytes / 1002) + 1;
    for (int i = 0; i < 3 * perFile; ++i)
        log.write(line);
    log.write(QStringLiteral("last"));
    const QFileInfo current(log.filePath());
    const QFileInfo rotated(log.filePath() + QStringLiteral(".1"));
    EXPECT_TRUE(rotated.exists());
    EXPECT_LE(rotated.size(), kCommLogCapBytes + 1002);
    EXPECT_LE(current.size(), kCommLogCapBytes + 1002);
    EXPECT_EQ(QDir(dir.path()).entryList(QDir::Files).size(), 2);
    // Whole lines on both sides of the cut, the newest at the end.
    const QString text = readTextFile(log.filePath()).value_or(QString());
    EXPECT_TRUE(text.endsWith(QStringLiteral("\r\nlast\r\n")) || text == QStringLiteral("last\r\n"));
    EXPECT_EQ((text.size() - 6) % 1002, 0);
    EXPECT_EQ(rotated.size() % 1002, 0);
}

} // namespace
} // namespace dravimo
