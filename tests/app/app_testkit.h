#pragma once
// What the main-window tests share: a register that answers from a script and
// records every command, a window that records everything and fails the test
// on a message box nobody expected, and a scratch working folder with the
// shared state reset.

#include "core/clock.h"
#include "control/headlessview.h"
#include "core/shared.h"
#include "ecr/fiscaltec.h"

#include <QCoreApplication>
#include <QDeadlineTimer>
#include <QDir>
#include <QStringList>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <deque>
#include <functional>

namespace dravimo::test {

class ScriptedEcr : public FiscalTec
{
public:
    ScriptedEcr() { setFiscalTec(this); }
    ~ScriptedEcr() override { setFiscalTec(nullptr); }

    void SendCommand(const QString &command, qint16 &result, QString &reply, qint16 quiet, qint16,
                     const QString &) override
    {
        sent.append(command);
        quietFlags.push_back(quiet);
        if (onSend)
            onSend(command);
        qint16 r = defaultResult;
        if (!results.empty()) {
            r = results.front();
            results.pop_front();
        }
        result = r;
        reply = r == 0 ? QStringLiteral("OK") : QString::number(r);
    }

    // Answers in order; once used up, every command gets defaultResult.
    std::deque<qint16> results;
    qint16 defaultResult = 0;
    // Runs as each command is "on the wire": a job in progress, seen from the
    // outside.
    std::function<void(const QString &)> onSend;
    QStringList sent;
    std::vector<qint16> quietFlags;
};

struct Box
{
    QString text;
    int code = 0;
    QString title;
};

class RecordingView : public HeadlessView
{
public:
    RecordingView() { setWindow(this); }
    ~RecordingView() override { setWindow(nullptr); }

    int showMessage(const QString &text, int code, const QString &title) override
    {
        boxes.push_back({text, code, title});
        if (expectedBoxes <= 0)
            ADD_FAILURE() << "unexpected message box: " << title.toStdString() << ": " << text.toStdString();
        --expectedBoxes;
        return defaultButton(code);
    }

    int expectedBoxes = 0;
    std::vector<Box> boxes;
};

// A scratch working folder for one test, and the shared state as at start.
class ScratchFolder
{
public:
    ScratchFolder() : previous_(QDir::currentPath())
    {
        QDir::setCurrent(dir_.path());
        shared() = SharedState{};
    }
    ~ScratchFolder()
    {
        QDir::setCurrent(previous_);
        shared() = SharedState{};
    }
    QString path(const QString &name) const { return dir_.filePath(name); }

private:
    QTemporaryDir dir_;
    QString previous_;
};

// Writes a text file (Latin text only) in the working folder.
void writeFile(const QString &name, const QByteArray &bytes);
QByteArray readFile(const QString &name);
// A param.ini from its lines, CR LF ended.
void writeParamIni(const QStringList &lines);

// Runs the event loop until the condition holds or the real time is up.
bool waitUntil(const std::function<bool()> &condition, int realMs = 5000);

} // namespace dravimo::test
