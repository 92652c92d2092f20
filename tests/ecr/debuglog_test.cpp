// The communication log writer: nothing while the window is closed; the window
// always, the file only while its box is ticked.
#include "core/debuglog.h"
#include "core/files.h"
#include "core/shared.h"

#include <QCoreApplication>
#include <QDir>
#include <QFileInfo>
#include <QTemporaryDir>
#include <QUuid>

#include <gtest/gtest.h>

namespace dravimo {
namespace {

class FakeWindow : public DebugSink
{
public:
    void showLine(const QString &text) override { lines.append(text); }
    bool logsToFile() const override { return ticked; }
    QStringList lines;
    bool ticked = false;
};

class CommLog : public ::testing::Test
{
protected:
    void SetUp() override
    {
        shared() = SharedState{};
        debugLog().setSink(&sink);
    }
    void TearDown() override
    {
        debugLog().setSink(nullptr);
        shared() = SharedState{};
    }
    QString fileText() const { return ReadTextFile(clsDebug::logFilePath()).value_or(QString()); }
    FakeWindow sink;
    const QString marker = QUuid::createUuid().toString();
};

TEST_F(CommLog, ClosedWindowLogsNothingAnywhere)
{
    sink.ticked = true;
    debugLog().PrintCombine(marker);
    EXPECT_TRUE(sink.lines.isEmpty());
    EXPECT_FALSE(fileText().contains(marker));
}

TEST_F(CommLog, OpenWindowShowsEveryLineAndFilesOnlyTickedOnes)
{
    shared().debugOpen = true;
    debugLog().PrintCombine(marker + QStringLiteral(" one"));
    sink.ticked = true;
    debugLog().PrintCombine(marker + QStringLiteral(" δύο"));
    EXPECT_EQ(sink.lines, (QStringList{marker + QStringLiteral(" one"), marker + QStringLiteral(" δύο")}));
    const QString text = fileText();
    EXPECT_FALSE(text.contains(marker + QStringLiteral(" one")));
    EXPECT_TRUE(text.contains(marker + QStringLiteral(" δύο\r\n")));
}

TEST_F(CommLog, FileLivesBesideTheExecutableWhateverTheWorkingFolder)
{
    QTemporaryDir elsewhere;
    const QString previous = QDir::currentPath();
    ASSERT_TRUE(QDir::setCurrent(elsewhere.path()));
    shared().debugOpen = true;
    sink.ticked = true;
    debugLog().PrintCombine(marker);
    QDir::setCurrent(previous);
    EXPECT_EQ(QFileInfo(clsDebug::logFilePath()).absolutePath(), QCoreApplication::applicationDirPath());
    EXPECT_TRUE(fileText().contains(marker));
    EXPECT_FALSE(QFile::exists(QDir(elsewhere.path()).filePath(kCommLogFile)));
}

TEST_F(CommLog, NoWindowRegisteredIsHarmless)
{
    debugLog().setSink(nullptr);
    shared().debugOpen = true;
    debugLog().PrintCombine(marker);
    EXPECT_FALSE(fileText().contains(marker));
}

} // namespace
} // namespace dravimo
