#pragma once
// Helpers for driving the simulator in-process the way the program drives it:
// commands go in as Windows-1253 bytes with CR LF, replies come back as the
// bytes the line would carry.

#include "core/clock.h"
#include "sim/simulator.h"

#include "greek/cp1253.h"

#include <QCoreApplication>
#include <QDeadlineTimer>
#include <QEventLoop>
#include <QStringList>
#include <QTimer>

#include <gtest/gtest.h>

namespace dravimo::sim::test {

// The reply bytes of one command, all chunks joined, as text.
inline QString ask(EcrSimulator &sim, const QString &command)
{
    return cp1253::decode(joinChunks(sim.feed(cp1253::encode(command) + "\r\n")));
}

// Sends commands that must all be answered with a normal reply.
inline void run(EcrSimulator &sim, const QStringList &commands)
{
    for (const QString &command : commands) {
        const QString reply = ask(sim, command);
        ASSERT_TRUE(reply.endsWith(QStringLiteral("\r\x04"))) << command.toStdString() << " -> " << reply.toStdString();
    }
}

inline void control(EcrSimulator &sim, const QString &line)
{
    ASSERT_EQ(sim.control(line), QStringLiteral("ok")) << line.toStdString();
}

// Lets the event loop run until the condition holds or ms of real time pass.
template <typename Condition>
bool waitUntil(Condition condition, int ms = 2000)
{
    QDeadlineTimer deadline(ms);
    while (!condition()) {
        if (deadline.hasExpired())
            return false;
        // A short slice of the event loop: sockets, notifiers and timers of
        // the simulator run, and the condition is looked at again.
        QEventLoop slice;
        QTimer::singleShot(2, &slice, &QEventLoop::quit);
        slice.exec();
    }
    return true;
}

inline std::string str(const QString &s)
{
    return s.toStdString();
}

} // namespace dravimo::sim::test
