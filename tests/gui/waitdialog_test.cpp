// The message and wait dialog on the offscreen platform.
#include "testclock.h"

#include "core/clock.h"
#include "gui/waitdialogwidget.h"

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
    WaitDialogWidget dialog(clock);
    dialog.show();
    EXPECT_EQ(dialog.windowTitle(), QStringLiteral("Συναλλαγή EFTPOS"));
    EXPECT_EQ(dialog.messageLabel->text(), QStringLiteral("Αναμονή Απάντησης EFTPOS"));
    EXPECT_TRUE(dialog.descriptionLabel->text().isEmpty());
    EXPECT_TRUE(dialog.counter->isActive());
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
        dialog.countTick();
        EXPECT_EQ(dialog.messageLabel->text(), text);
    }
    dialog.close();
}

TEST_F(WaitDialogForm, TimerRunsByItself)
{
    ScaledClock fast(100.0);
    WaitDialogWidget dialog(fast);
    dialog.show();
    EXPECT_LE(dialog.counter->interval(), 20);
    QTRY_VERIFY_WITH_TIMEOUT(dialog.messageLabel->text().startsWith(QStringLiteral("Αναμονή EFTPOS [")), 2000);
    dialog.close();
}

TEST_F(WaitDialogForm, PlainFormKeepsTheCallersTextsAndRunsNoCounter)
{
    WaitDialogWidget dialog(clock, true);
    dialog.setTitle(QStringLiteral("Μύνημα Ταμειακής"));
    dialog.setMessage(QStringLiteral("Τέλος Χαρτιού !"));
    dialog.setDescription(QStringLiteral("Αναμονή..."));
    dialog.show();
    QTest::qWait(50);
    EXPECT_FALSE(dialog.counter->isActive());
    EXPECT_EQ(dialog.windowTitle(), QStringLiteral("Μύνημα Ταμειακής"));
    EXPECT_EQ(dialog.messageLabel->text(), QStringLiteral("Τέλος Χαρτιού !"));
    EXPECT_EQ(dialog.descriptionLabel->text(), QStringLiteral("Αναμονή..."));
    dialog.close();
}

TEST_F(WaitDialogForm, SkipTimerCountsOnlyBeforeLoading)
{
    WaitDialogWidget dialog(clock);
    dialog.setSkipTimer(true);
    dialog.setMessage(QStringLiteral("x"));
    dialog.setSkipTimer(false);
    EXPECT_TRUE(dialog.skipTimer());
    EXPECT_FALSE(dialog.counter->isActive());
}

TEST_F(WaitDialogForm, AlwaysOpensInTheTopLeftCorner)
{
    WaitDialogWidget dialog(clock, true);
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
    WaitDialogWidget dialog(clock);
    dialog.show();
    EXPECT_TRUE(dialog.isOpen());
    // The operator's close box.
    dialog.QWidget::close();
    EXPECT_FALSE(dialog.counter->isActive());
    EXPECT_FALSE(dialog.isOpen());

    WaitDialogWidget byProgram(clock, true);
    WaitDialog &asSeenByTheCore = byProgram;
    asSeenByTheCore.show();
    asSeenByTheCore.close();
    EXPECT_FALSE(asSeenByTheCore.isOpen());
    EXPECT_FALSE(byProgram.isVisible());
}

} // namespace
} // namespace dravimo
