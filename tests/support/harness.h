#pragma once
// Ready-made surroundings for the tests of the parts that drive the register:
// a still clock, a recording window, a result file in a scratch folder, and
// either a scripted register (SessionHarness) or the real exchange on an
// in-memory line (ExchangeHarness).

#include "memorytransport.h"
#include "recordingwindow.h"
#include "scriptedregister.h"
#include "testclock.h"

#include "core/commlog.h"
#include "core/resultfile.h"
#include "ecr/exchange.h"
#include "ecr/notices.h"
#include "ecr/session.h"

#include <QStringList>
#include <QTemporaryDir>

#include <gtest/gtest.h>

namespace dravimo::test {

// Captures the communication log as the communication window would show it.
class CapturingSink : public LogSink
{
public:
    void showLine(const QString &text) override { lines.append(text); }
    bool logsToFile() const override { return false; }
    QStringList lines;
};

// A scripted register with everything a job or a payment is handed.
struct SessionHarness
{
    SessionHarness();

    QStringList resultLines() const;

    QTemporaryDir dir;
    TestClock clock;
    RecordingWindow window;
    ResultFile results;
    ScriptedRegister ecr;
    EcrSession session{ecr, window, clock, results, NumberFormat(QLatin1Char('.'))};
};

// The real exchange on an in-memory line, with the communication log open.
struct ExchangeHarness
{
    ExchangeHarness();

    QStringList resultLines() const;

    QTemporaryDir dir;
    TestClock clock;
    RecordingWindow window;
    CapturingSink logLines;
    CommLog log;
    ResultFile results;
    ExchangeNotices notices{window};
    // The line exists from the start, so a test can queue replies before the
    // first command opens it; every opening leads to it.
    std::unique_ptr<MemoryTransport> unopened;
    MemoryTransport *line;
    Exchange exchange;
    EcrSession session{exchange, window, clock, results, NumberFormat(QLatin1Char('.'))};
};

// A reply as the register sends it: the text, CR, EOT.
QByteArray eot(const char *text);

} // namespace dravimo::test
