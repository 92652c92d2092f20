// The exchange with the real wait dialog and the real communication window.
#include "harness.h"

#include "gui/commlogwindow.h"
#include "gui/waitdialogwidget.h"

#include <QApplication>
#include <QLabel>
#include <QPlainTextEdit>
#include <QPointer>

using namespace std::chrono_literals;

namespace dravimo::test {
namespace {

// The recording window, but with the program's own wait dialog and real
// event processing.
class WidgetWindow : public RecordingWindow
{
public:
    explicit WidgetWindow(Clock &clock) : clock_(clock) {}
    std::unique_ptr<WaitDialog> createWaitDialog(bool skipTimer) override
    {
        auto dialog = std::make_unique<WaitDialogWidget>(clock_, skipTimer);
        dialogs_.append(dialog.get());
        return dialog;
    }
    void processEvents() override
    {
        QApplication::processEvents();
        RecordingWindow::processEvents();
    }
    QList<QPointer<WaitDialogWidget>> dialogs_;

private:
    Clock &clock_;
};

// The exchange of the harness, reporting to the widgets instead.
class GuiExchange : public ::testing::Test
{
protected:
    QString send(const QString &command, Quiet quiet = Quiet::No, Seconds wait = Seconds{0})
    {
        return exchange.send(ecrcommand::raw(command), quiet, wait).reply;
    }
    qint64 nowMs() const { return h.clock.nowMs(); }

    ExchangeHarness h;
    MemoryTransport *line = h.line;
    WidgetWindow widgets{h.clock};
    ExchangeNotices notices{widgets};
    Exchange exchange{h.clock, notices, h.log, h.results, NumberFormat(QLatin1Char('.')), [this](const QString &) {
                          return OpenedTransport{std::move(h.unopened), std::nullopt};
                      }};
};

TEST_F(GuiExchange, OperatorClosingTheCardDialogEndsTheWait)
{
    line->queueReply({{eot("OK"), 0ms}, {eot("358OK:9"), 90000ms}});
    const qint64 start = nowMs();
    WaitDialogWidget *seen = nullptr;
    widgets.onEvents = [&] {
        if (!widgets.dialogs_.isEmpty() && widgets.dialogs_.first()) {
            seen = widgets.dialogs_.first();
            if (seen->isVisible() && nowMs() - start >= 5000)
                seen->QWidget::close(); // the close box
        }
    };
    EXPECT_EQ(send(QStringLiteral("KX1000T3P1"), Quiet::No, Seconds{200}), QStringLiteral("OK"));
    EXPECT_LT(nowMs() - start, 6000);
    ASSERT_NE(seen, nullptr);
    EXPECT_TRUE(widgets.dialogs_.first().isNull()); // gone with the wait
}

TEST_F(GuiExchange, EveryExchangeIsVisibleInTheDebugWindow)
{
    h.log.setSink(nullptr);
    QWidget main;
    QPointer<CommLogWindow> form = CommLogWindow::openBeside(&main, h.log);
    line->queueReply(eot("OK"));
    send(QStringLiteral("KXCL"));
    EXPECT_EQ(form->lines->toPlainText(),
              QStringLiteral("\n45:10       send:[KXCL]\n45:10      reply: OKASC(13) ASC(4) \n"
                             "45:10      reply: OKASC(13) ASC(4) \n45:10 -----------"));
    form->close();
}

} // namespace
} // namespace dravimo::test
