// The communication window on the offscreen platform.
#include "core/debuglog.h"
#include "core/files.h"
#include "core/shared.h"
#include "gui/frmdebug.h"

#include <QApplication>
#include <QCheckBox>
#include <QPlainTextEdit>
#include <QPointer>
#include <QSignalSpy>
#include <QUuid>

#include <gtest/gtest.h>

namespace dravimo {
namespace {

class DebugWindow : public ::testing::Test
{
protected:
    void SetUp() override
    {
        shared() = SharedState{};
        main.setGeometry(100, 120, 300, 200);
        main.setWindowIcon(QIcon(QPixmap(16, 16)));
        main.show();
    }
    void TearDown() override
    {
        if (form)
            form->close();
        QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
        shared() = SharedState{};
    }
    QWidget main;
    QPointer<frmDebug> form;
};

TEST_F(DebugWindow, OpensBesideTheMainWindowAndSetsTheFlag)
{
    form = frmDebug::openBeside(&main);
    EXPECT_TRUE(shared().debugOpen);
    EXPECT_EQ(debugLog().sink(), form.data());
    EXPECT_EQ(form->windowTitle(), QStringLiteral("Επικοινωνία Ταμειακής"));
    EXPECT_EQ(form->chkFile->text(), QStringLiteral("Ενεργοποίηση καταγραφής (dravimoLog.txt)"));
    EXPECT_FALSE(form->chkFile->isChecked());
    EXPECT_EQ(form->pos().x(), main.frameGeometry().right() + 1);
    EXPECT_EQ(form->pos().y(), main.frameGeometry().top());
    EXPECT_EQ(form->windowIcon().cacheKey(), main.windowIcon().cacheKey());
    EXPECT_TRUE(form->txtDebug->toPlainText().isEmpty());
}

TEST_F(DebugWindow, LinesAccumulateAndOnlyTickedOnesReachTheFile)
{
    form = frmDebug::openBeside(&main);
    const QString marker = QUuid::createUuid().toString();
    debugLog().PrintCombine(marker + QStringLiteral(" before"));
    form->chkFile->setChecked(true);
    debugLog().PrintCombine(marker + QStringLiteral(" after"));
    EXPECT_EQ(form->txtDebug->toPlainText(),
              QStringLiteral("\n") + marker + QStringLiteral(" before\n") + marker + QStringLiteral(" after"));
    const QString file = ReadTextFile(clsDebug::logFilePath()).value_or(QString());
    EXPECT_FALSE(file.contains(marker + QStringLiteral(" before")));
    EXPECT_TRUE(file.contains(marker + QStringLiteral(" after\r\n")));
}

TEST_F(DebugWindow, ClosingClearsTheFlagAndTellsTheMenu)
{
    form = frmDebug::openBeside(&main);
    QSignalSpy unloaded(form.data(), &frmDebug::unloaded);
    form->close();
    EXPECT_FALSE(shared().debugOpen);
    EXPECT_EQ(unloaded.count(), 1);
    EXPECT_EQ(debugLog().sink(), nullptr);
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    EXPECT_TRUE(form.isNull()); // a new opening starts empty
}

TEST_F(DebugWindow, TextTakesTheWidthAndLeavesTheTickBoxVisible)
{
    form = frmDebug::openBeside(&main);
    form->resize(600, 500);
    QApplication::processEvents();
    EXPECT_GE(form->txtDebug->width(), form->width() - 30);
    EXPECT_LE(form->txtDebug->geometry().bottom(), form->chkFile->geometry().top());
    EXPECT_LE(form->chkFile->geometry().bottom(), form->height());
}

TEST_F(DebugWindow, ClosedWindowIsNoLongerFed)
{
    form = frmDebug::openBeside(&main);
    form->close();
    const QString marker = QUuid::createUuid().toString();
    debugLog().PrintCombine(marker);
    EXPECT_FALSE(ReadTextFile(clsDebug::logFilePath()).value_or(QString()).contains(marker));
}

} // namespace
} // namespace dravimo
