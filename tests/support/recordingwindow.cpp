#include "recordingwindow.h"

#include <gtest/gtest.h>

namespace dravimo::test {

void RecordingWindow::setCaption(const QString &text)
{
    captions.append(text);
    HeadlessView::setCaption(text);
}

int RecordingWindow::showMessage(const QString &text, int code, const QString &title)
{
    boxes.append({text, code, title});
    if (strictBoxes && boxes.size() > expectedBoxes)
        ADD_FAILURE() << "unexpected message box: " << title.toStdString() << ": " << text.toStdString();
    return defaultButton(code);
}

std::unique_ptr<WaitDialog> RecordingWindow::createWaitDialog(bool skipTimer)
{
    // Each dialog reports its final look into the window's record when it is
    // destroyed, since the exchange owns and drops it.
    class Tracked : public RecordingWaitDialog
    {
    public:
        Tracked(RecordingWindow &w, bool skip) : RecordingWaitDialog(skip), w_(w) {}
        ~Tracked() override
        {
            w_.dialogs.append({skipTimer, title, messages, description, shows > 0, closed});
            if (w_.current == this)
                w_.current = nullptr;
        }

    private:
        RecordingWindow &w_;
    };
    auto dialog = std::make_unique<Tracked>(*this, skipTimer);
    current = dialog.get();
    return dialog;
}

void RecordingWindow::processEvents()
{
    ++eventPasses;
    HeadlessView::processEvents();
    if (onEvents)
        onEvents();
}

void RecordingWindow::operatorClosesDialog()
{
    if (current && current->open)
        current->close();
}

} // namespace dravimo::test
