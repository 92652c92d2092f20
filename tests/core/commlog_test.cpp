// The communication log: nothing while no window is open; the window always,
// the file only while its box is ticked.
#include "core/commlog.h"
#include "core/files.h"

#include <QCoreApplication>
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

} // namespace
} // namespace dravimo
