// The communication window on the offscreen platform.
#include "core/commlog.h"
#include "core/files.h"
#include "gui/commlogwindow.h"

#include <QApplication>
#include <QCheckBox>
#include <QPlainTextEdit>
#include <QPointer>
#include <QSignalSpy>
#include <QTemporaryDir>

#include <gtest/gtest.h>

namespace dravimo {
namespace {

class DebugWindow : public ::testing::Test
{
protected:
    void SetUp() override
    {
        main.setGeometry(100, 120, 300, 200);
        main.setWindowIcon(QIcon(QPixmap(16, 16)));
        main.show();
    }
    void TearDown() override
    {
        if (form)
            form->close();
        QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    }
    QString fileText() const { return readTextFile(log.filePath()).value_or(QString()); }
    QTemporaryDir dir;
    CommLog log{dir.filePath(kCommLogFile)};
    QWidget main;
    QPointer<CommLogWindow> form;
};

TEST_F(DebugWindow, OpensBesideTheMainWindowAndOpensTheLog)
{
    form = CommLogWindow::openBeside(&main, log);
    EXPECT_TRUE(log.isOpen());
    EXPECT_EQ(log.sink(), form.data());
    EXPECT_EQ(form->windowTitle(), QStringLiteral("Επικοινωνία Ταμειακής"));
    EXPECT_EQ(form->fileBox->text(), QStringLiteral("Ενεργοποίηση καταγραφής (dravimoLog.txt)"));
    EXPECT_FALSE(form->fileBox->isChecked());
    EXPECT_EQ(form->pos().x(), main.frameGeometry().right() + 1);
    EXPECT_EQ(form->pos().y(), main.frameGeometry().top());
    EXPECT_EQ(form->windowIcon().cacheKey(), main.windowIcon().cacheKey());
    EXPECT_TRUE(form->lines->toPlainText().isEmpty());
}

TEST_F(DebugWindow, LinesAccumulateAndOnlyTickedOnesReachTheFile)
{
    form = CommLogWindow::openBeside(&main, log);
    log.write(QStringLiteral("before"));
    form->fileBox->setChecked(true);
    log.write(QStringLiteral("after"));
    EXPECT_EQ(form->lines->toPlainText(), QStringLiteral("\nbefore\nafter"));
    EXPECT_EQ(fileText(), QStringLiteral("after\r\n"));
}

TEST_F(DebugWindow, ClosingClosesTheLogAndTellsTheMenu)
{
    form = CommLogWindow::openBeside(&main, log);
    QSignalSpy unloaded(form.data(), &CommLogWindow::unloaded);
    form->close();
    EXPECT_FALSE(log.isOpen());
    EXPECT_EQ(unloaded.count(), 1);
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    EXPECT_TRUE(form.isNull()); // a new opening starts empty
}

TEST_F(DebugWindow, TextTakesTheWidthAndLeavesTheTickBoxVisible)
{
    form = CommLogWindow::openBeside(&main, log);
    form->resize(600, 500);
    QApplication::processEvents();
    EXPECT_GE(form->lines->width(), form->width() - 30);
    EXPECT_LE(form->lines->geometry().bottom(), form->fileBox->geometry().top());
    EXPECT_LE(form->fileBox->geometry().bottom(), form->height());
}

TEST_F(DebugWindow, ClosedWindowIsNoLongerFed)
{
    form = CommLogWindow::openBeside(&main, log);
    form->fileBox->setChecked(true);
    form->close();
    log.write(QStringLiteral("late"));
    EXPECT_TRUE(fileText().isEmpty());
}

} // namespace
} // namespace dravimo
