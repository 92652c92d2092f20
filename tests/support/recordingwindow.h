#pragma once
// A window that records everything the program would have shown: message
// boxes, captions, wait dialogs, and every state of the main window (it is a
// HeadlessView). With strictBoxes set, a box beyond expectedBoxes fails the
// test.

#include "control/headlessview.h"

#include <QList>
#include <QString>
#include <QStringList>

#include <functional>

namespace dravimo::test {

struct ShownBox
{
    QString text;
    int code = 0;
    QString title;
    bool operator==(const ShownBox &) const = default;
};

class RecordingWaitDialog : public WaitDialog
{
public:
    explicit RecordingWaitDialog(bool skip) : skipTimer(skip) {}
    void setTitle(const QString &t) override { title = t; }
    void setMessage(const QString &t) override { messages.append(t); }
    void setDescription(const QString &t) override { description = t; }
    void show() override
    {
        open = true;
        ++shows;
    }
    void redraw() override { ++redraws; }
    void close() override
    {
        open = false;
        closed = true;
    }
    bool isOpen() const override { return open; }

    bool skipTimer;
    QString title;
    QStringList messages;
    QString description;
    bool open = false;
    bool closed = false;
    int shows = 0;
    int redraws = 0;
};

// What a dialog looked like when it went away: its owner destroys it, the
// record stays.
struct DialogRecord
{
    bool skipTimer = false;
    QString title;
    QStringList messages;
    QString description;
    bool shown = false;
    bool closed = false;
};

class RecordingWindow : public HeadlessView
{
public:
    void setCaption(const QString &text) override;
    void repaint() override { ++repaints; }
    int showMessage(const QString &text, int code, const QString &title) override;
    std::unique_ptr<WaitDialog> createWaitDialog(bool skipTimer) override;
    // Lets real events run (the controller's timers), then the test's hook.
    void processEvents() override;

    // Closes the open wait dialog the way the operator's close box does.
    void operatorClosesDialog();

    QStringList captions;
    QList<ShownBox> boxes;
    QList<DialogRecord> dialogs;
    RecordingWaitDialog *current = nullptr;
    int repaints = 0;
    int eventPasses = 0;
    std::function<void()> onEvents;
    bool strictBoxes = false;
    int expectedBoxes = 0;
};

} // namespace dravimo::test
