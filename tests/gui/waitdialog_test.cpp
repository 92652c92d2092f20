// The message and wait dialog on the offscreen platform.
#include "testclock.h"

#include "core/clock.h"
#include "gui/frmerr.h"

#include <QApplication>
#include <QLabel>
#include <QSignalSpy>
#include <QTest>
#include <QTimer>

#include <gtest/gtest.h>

using namespace std::chrono_literals;

namespace dravimo {
namespace {

class WaitDialogForm : public ::testing::Test
{
protected:
    test::TestClock clock;
};

TEST_F(WaitDialogForm, CardFormCountsTheSecondsWaited)
{
    clock.advance(3400ms); // the count starts from the second the dialog loads
    frmErr dialog(clock);
    dialog.show();
    EXPECT_EQ(dialog.windowTitle(), QStringLiteral("Συναλλαγή EFTPOS"));
    EXPECT_EQ(dialog.lblErr->text(), QStringLiteral("Αναμονή Απάντησης EFTPOS"));
    EXPECT_TRUE(dialog.lblErrDesc->text().isEmpty());
    EXPECT_TRUE(dialog.TmrCom->isActive());
    const QList<std::pair<int, QString>> ticks = {
        {0, QStringLiteral("Αναμονή EFTPOS [00]")},
        {7, QStringLiteral("Αναμονή EFTPOS [07]")},
        {12, QStringLiteral("Αναμονή EFTPOS [12]")},
        {125, QStringLiteral("Αναμονή EFTPOS [125]")},
    };
    qint64 at = 0;
    for (const auto &[seconds, text] : ticks) {
        clock.advance(Millis((seconds - at) * 1000));
        at = seconds;
        dialog.TmrCom_Timer();
        EXPECT_EQ(dialog.lblErr->text(), text);
    }
    dialog.close();
}

TEST_F(WaitDialogForm, TimerRunsByItself)
{
    ScaledClock fast(100.0);
    frmErr dialog(fast);
    dialog.show();
    EXPECT_LE(dialog.TmrCom->interval(), 20);
    QTRY_VERIFY_WITH_TIMEOUT(dialog.lblErr->text().startsWith(QStringLiteral("Αναμονή EFTPOS [")), 2000);
    dialog.close();
}

TEST_F(WaitDialogForm, PlainFormKeepsTheCallersTextsAndRunsNoCounter)
{
    frmErr dialog(clock, true);
    dialog.setTitle(QStringLiteral("Μύνημα Ταμειακής"));
    dialog.setMessage(QStringLiteral("Τέλος Χαρτιού !"));
    dialog.setDescription(QStringLiteral("Αναμονή..."));
    dialog.show();
    QTest::qWait(50);
    EXPECT_FALSE(dialog.TmrCom->isActive());
    EXPECT_EQ(dialog.windowTitle(), QStringLiteral("Μύνημα Ταμειακής"));
    EXPECT_EQ(dialog.lblErr->text(), QStringLiteral("Τέλος Χαρτιού !"));
    EXPECT_EQ(dialog.lblErrDesc->text(), QStringLiteral("Αναμονή..."));
    dialog.close();
}

TEST_F(WaitDialogForm, SkipTimerCountsOnlyBeforeLoading)
{
    frmErr dialog(clock);
    dialog.setSkipTimer(true);
    dialog.setMessage(QStringLiteral("x"));
    dialog.setSkipTimer(false);
    EXPECT_TRUE(dialog.skipTimer());
    EXPECT_FALSE(dialog.TmrCom->isActive());
}

TEST_F(WaitDialogForm, AlwaysOpensInTheTopLeftCorner)
{
    frmErr dialog(clock, true);
    dialog.move(300, 200);
    dialog.show();
    EXPECT_EQ(dialog.pos(), QPoint(0, 0));
    dialog.hide();
    dialog.move(300, 200);
    dialog.show();
    EXPECT_EQ(dialog.pos(), QPoint(0, 0));
    dialog.close();
}

TEST_F(WaitDialogForm, ClosingStopsTheCounterAndEndsTheWait)
{
    frmErr dialog(clock);
    dialog.show();
    EXPECT_TRUE(dialog.isOpen());
    // The operator's close box.
    dialog.QWidget::close();
    EXPECT_FALSE(dialog.TmrCom->isActive());
    EXPECT_FALSE(dialog.isOpen());

    frmErr byProgram(clock, true);
    WaitDialog &asSeenByTheCore = byProgram;
    asSeenByTheCore.show();
    asSeenByTheCore.close();
    EXPECT_FALSE(asSeenByTheCore.isOpen());
    EXPECT_FALSE(byProgram.isVisible());
}

} // namespace
} // namespace dravimo
