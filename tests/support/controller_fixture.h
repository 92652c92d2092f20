#pragma once
// The controller against a scripted register, in a scratch working folder,
// with a window that records everything and fails the test on a message box
// nobody expected, and a translator that records the files it is handed.

#include "recordingwindow.h"
#include "scratch.h"
#include "scriptedregister.h"

#include "control/controller.h"
#include "core/clock.h"
#include "core/progressindicator.h"

#include <QStringList>

#include <gtest/gtest.h>

#include <functional>
#include <memory>

namespace dravimo::test {

class ControllerTest : public ::testing::Test
{
protected:
    ControllerTest()
    {
        view.strictBoxes = true;
        ecr.defaultReply = QStringLiteral("OK");
    }

    // Built on first use, with the command line and clock set so far.
    Controller &form()
    {
        if (!form_) {
            form_ = std::make_unique<Controller>(view, clock, ecr, progress, commandLine);
            form_->setTranslator([this](const QString &path, const PrintJobFiles::Taken &, const TranslationOptions &options) {
                translated.append(path);
                lastOptions = options;
                return translatorAnswer(path);
            });
        }
        return *form_;
    }

    ScratchFolder folder;
    RecordingWindow view;
    ScaledClock clock;
    ScriptedRegister ecr;
    ProgressIndicator progress{view};
    QString commandLine;
    QStringList translated;
    TranslationOptions lastOptions;
    std::function<bool(const QString &)> translatorAnswer = [](const QString &) { return true; };

private:
    std::unique_ptr<Controller> form_;
};

} // namespace dravimo::test
