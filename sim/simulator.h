#pragma once
// The simulated register as the line sees it, independent of the transport.
//
// Bytes come in through feed() (a byte stream: commands are framed by CR LF,
// however they were split over reads) or feedDatagram() (one command per
// datagram). What goes back is a list of chunks, each with the delay before it
// goes out, so that faults can answer late, in pieces or after noise; a
// transport writes them in order. The card terminal's outcome comes later
// through asyncOutput(). Scenario and control lines (docs/ecrsim.md) change
// faults and settings at any time through control().

#include "sim/cardterminal.h"
#include "sim/ecrregister.h"
#include "sim/faults.h"
#include "sim/paperroll.h"
#include "sim/randomfaults.h"
#include "sim/trace.h"

#include <QByteArray>
#include <QList>
#include <QObject>
#include <QString>

namespace dravimo {
class Clock;
}

namespace dravimo::sim {

class EcrSimulator : public QObject
{
    Q_OBJECT

public:
    // A line noise burst without CR LF longer than this is dropped: no command
    // of the register comes near it.
    static constexpr int kMaxCommandBytes = 4096;

    // Every delay of the register runs on clock, so a faster test clock
    // speeds both ends up alike.
    explicit EcrSimulator(Clock &clock, QObject *parent = nullptr);

    QList<Chunk> feed(const QByteArray &bytes);
    QList<Chunk> feedDatagram(const QByteArray &datagram);

    // Runs one scenario or control line; answers "ok", "error: ..." or the
    // text asked for ("show ...").
    QString control(const QString &line);
    // Runs every line of a scenario file (UTF-8). Stops at the first bad line
    // and reports it with its line number.
    bool loadScenario(const QString &path, QString *error);

    // Runs a control line after ms of program time (scenario "after").
    void schedule(qint64 ms, const QString &line);
    // Runs a control line just before the next command matching pattern is
    // handled (scenario "on").
    void addTrigger(const QString &pattern, const QString &line);
    void clearTriggers() { triggers_.clear(); }

    Clock &clock() { return clock_; }
    EcrRegister &ecr() { return register_; }
    PaperRoll &roll() { return roll_; }
    Trace &trace() { return trace_; }
    FaultPlan &faults() { return faults_; }
    CardTerminal &card() { return card_; }
    RandomFaults &randomFaults() { return random_; }

signals:
    // The card terminal's outcome, to be written to the line as it is.
    void asyncOutput(const QByteArray &bytes);
    // A control line asked the program to end.
    void quitRequested();

private:
    struct Trigger
    {
        QString pattern;
        QString line;
    };

    QList<Chunk> handleCommand(const QByteArray &framed);
    Reply answer(const QString &text);
    void fireTriggers(const QString &command);
    void startCard(const CardRequest &request);
    void deliverCard(const CardRequest &request, const CardOutcome &outcome);

    Clock &clock_;
    QByteArray buffer_;
    PaperRoll roll_;
    EcrRegister register_{roll_, clock_};
    Trace trace_{clock_};
    FaultPlan faults_;
    CardTerminal card_;
    RandomFaults random_;
    QList<Trigger> triggers_;
};

// The bytes of a reply on the wire: text + CR + EOT, or "DE" + code.
QByteArray replyBytes(const Reply &reply);

} // namespace dravimo::sim
