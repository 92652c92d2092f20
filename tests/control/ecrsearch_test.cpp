// The search for the register through the real exchange over a silent line,
// on the test clock: quiet (no box, no error caption), yet each failed
// attempt leaves a notice for whoever watches.
#include "harness.h"
#include "scratch.h"

#include "control/controller.h"
#include "control/statustexts.h"
#include "core/progressindicator.h"

using namespace std::chrono_literals;

namespace dravimo::test {
namespace {

const QString kNoAnswerNotice =
    QStringLiteral("Εύρεση Φορολογικής Ταμειακής: Ο Φορολ. Εκτυπωτής δεν Απαντά σε εντολή ! (-4)");

class EcrSearch : public ::testing::Test
{
protected:
    EcrSearch()
    {
        h.window.strictBoxes = true;
        // Silent for the first `silentCommands` commands, then every command
        // is answered.
        h.line->responder = [this](const QString &) -> MemoryTransport::Reply {
            if (sent++ < silentCommands)
                return {};
            return {{eot("CL:0:0"), 0ms}};
        };
    }

    Controller &controller(const QString &commandLine = {})
    {
        if (!controller_) {
            controller_ = std::make_unique<Controller>(h.window, h.clock, h.exchange, progress, commandLine);
            controller_->setTranslator([this](const QString &, const PrintJobFiles::Taken &, const TranslationOptions &) { return ++jobs, true; });
        }
        return *controller_;
    }
    bool errorCaptionShown() const
    {
        for (const QString &c : h.window.captions)
            if (c.startsWith(QStringLiteral("Σφάλμα")))
                return true;
        return false;
    }

    ScratchFolder folder;
    ExchangeHarness h;
    ProgressIndicator progress{h.window};
    int silentCommands = 1000;
    int sent = 0;
    int jobs = 0;

private:
    std::unique_ptr<Controller> controller_;
};

TEST_F(EcrSearch, SilentRegisterAtStartUpIsLookedForQuietly)
{
    writeParamIni({QStringLiteral("[port] com1"), QStringLiteral("[multi type] true")});
    controller().start();
    for (int tick = 0; tick < 3; ++tick) {
        controller().ecrCheckTick();
        EXPECT_EQ(h.window.caption(), texts::kSearchingCaption) << tick;
        EXPECT_EQ(h.window.status(), texts::kSearchingStatus) << tick;
    }
    EXPECT_EQ(sent, 3 * 4); // four sends to an attempt
    EXPECT_EQ(h.window.notices(), QStringList(3, kNoAnswerNotice));
    EXPECT_FALSE(errorCaptionShown());
    // The fourth tick gives up, as before; with a window the program stays
    // (only unattended does it end, see process_test).
    controller().ecrCheckTick();
    EXPECT_EQ(h.window.caption(), texts::kGivenUpCaption);
    EXPECT_FALSE(h.window.closed());
}

TEST_F(EcrSearch, OneShotRunKeepsLookingQuietlyUntilTheRegisterAnswers)
{
    writeFile(QStringLiteral("job.txt"), "x\r\n");
    silentCommands = 2 * 4 + 1; // two whole attempts and the first send of the third
    controller(QStringLiteral("com1:9600,9600,job.txt,0,mikro,0110000")).start();
    EXPECT_EQ(jobs, 1);
    EXPECT_EQ(h.window.notices(), QStringList(2, kNoAnswerNotice));
    EXPECT_FALSE(errorCaptionShown());
    EXPECT_TRUE(h.window.closed());
    EXPECT_EQ(h.window.exitCode(), 0);
}

} // namespace
} // namespace dravimo::test
