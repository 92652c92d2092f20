#pragma once
// Stand-ins for the register tests: a window that records what the operator
// would have seen, a clock that stands still with a fixed wall time, and a
// fixture that gives every test a fresh exchange module on an in-memory line.

#include "core/clock.h"
#include "core/debuglog.h"
#include "core/shared.h"
#include "core/window.h"
#include "ecr/fiscaltec.h"
#include "ecr/memorytransport.h"

#include <QDateTime>
#include <QList>
#include <QStringList>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <functional>
#include <memory>

namespace dravimo::test {

// A virtual clock whose wall time is fixed, so date and "mm:ss" fields of
// result and log lines can be compared byte for byte.
class FixedVirtualClock : public VirtualClock
{
public:
    QDateTime wallNow() const override { return wall; }
    QDateTime wall{QDate(2026, 12, 7), QTime(3, 45, 10)};
};

struct ShownBox
{
    QString text;
    int code;
    QString title;
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
    void close() override;
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

// What a dialog looked like when it went away; the exchange destroys its
// dialogs, the record stays.
struct DialogRecord
{
    bool skipTimer = false;
    QString title;
    QStringList messages;
    QString description;
    bool shown = false;
    bool closed = false;
};

class RecordingWindow : public Window
{
public:
    void setStatus(const QString &t) override { status_ = t; }
    QString status() const override { return status_; }
    void setCaption(const QString &t) override { captions.append(t); }
    QString caption() const override { return captions.value(captions.size() - 1); }
    void repaint() override { ++repaints; }
    int showMessage(const QString &text, int code, const QString &title) override
    {
        boxes.append({text, code, title});
        return defaultButton(code);
    }
    std::unique_ptr<WaitDialog> createWaitDialog(bool skipTimer) override;
    void setProgressText(const QString &) override {}
    void processEvents() override
    {
        ++eventPasses;
        if (onEvents)
            onEvents();
    }

    // Closes the open dialog the way the operator's close box does.
    void operatorClosesDialog();

    QStringList captions;
    QList<ShownBox> boxes;
    QList<DialogRecord> dialogs;
    RecordingWaitDialog *current = nullptr;
    int repaints = 0;
    int eventPasses = 0;
    std::function<void()> onEvents;

private:
    friend class RecordingWaitDialog;
    QString status_;
};

// Captures the communication log as the debug window would show it.
class CapturingSink : public DebugSink
{
public:
    void showLine(const QString &text) override { lines.append(text); }
    bool logsToFile() const override { return false; }
    QStringList lines;
};

// A fresh exchange module on an in-memory line, a recording window, a still
// clock, a temporary folder holding the job's result file, and an open log.
class EcrFixture : public ::testing::Test
{
protected:
    void SetUp() override;
    void TearDown() override;

    // Sends through the module with the last result code as result.
    QString send(const QString &command, qint16 quiet = 0, qint16 asyncWait = 0, const QString &logFile = {});
    QStringList resultLines() const;
    qint64 nowMs() const { return clock->nowMs(); }

    FixedVirtualClock *clock = nullptr;
    std::unique_ptr<ScopedClock> clockScope;
    RecordingWindow win;
    CapturingSink log;
    FiscalTec module;
    MemoryTransport *line = nullptr;
    QTemporaryDir dir;
    QString resultFile;
};

QByteArray eot(const char *text);

} // namespace dravimo::test
