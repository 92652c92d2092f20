#pragma once
// A register line in memory, for tests: it keeps every byte written to it and
// answers from a script, with the timing of the serial port. Every read that
// finds nothing costs the port's 256 ms read time-out on the clock, and a read
// that gets bytes ends 20 ms after the last one, so on a VirtualClock a
// 28-second silence or a 200-second card wait runs in milliseconds and still
// takes exactly as many reads as on the real port.

#include "ecr/protocol.h"
#include "ecr/transport.h"

#include <QByteArray>
#include <QList>
#include <QStringList>

#include <functional>

namespace dravimo::test {

class MemoryTransport : public Transport
{
public:
    explicit MemoryTransport(Clock &clock) : clock_(clock) {}

    // Bytes that reach the line `after` the command that triggers them.
    struct Chunk
    {
        QByteArray bytes;
        Millis after{0};
    };
    using Reply = QList<Chunk>;

    // Replies are handed out one per command written, in order. An empty
    // Reply is silence for that command.
    void queueReply(const Reply &reply) { replies_.append(reply); }
    void queueReply(const QByteArray &bytes) { queueReply(Reply{{bytes, Millis(0)}}); }
    void queueSilence() { replies_.append(Reply{}); }
    // Answers commands once the queue is empty; unset means silence.
    std::function<Reply(const QString &command)> responder;
    // Bytes that arrive at a program time of their own (unsolicited data).
    void deliverAt(qint64 atMs, const QByteArray &bytes);

    // Every command as it went out, terminator included, decoded.
    const QStringList &written() const { return written_; }
    // Every byte written, in order.
    const QByteArray &wire() const { return wire_; }
    int reads() const { return reads_; }
    int drains() const { return drains_; }
    bool closed() const { return closed_; }
    bool hasPending() const { return !pending_.isEmpty(); }

    QString receive() override;
    std::optional<LinkFailure> send(const QString &command) override;
    // What is due now, without moving the clock; not counted as a read.
    QString drain() override;
    void close() override { closed_ = true; }

private:
    struct Pending
    {
        qint64 due;
        QByteArray bytes;
    };
    void schedule(qint64 due, const QByteArray &bytes);
    QByteArray takeDue(qint64 now, qsizetype limit);

    Clock &clock_;
    QList<Reply> replies_;
    QList<Pending> pending_;
    QStringList written_;
    QByteArray wire_;
    int reads_ = 0;
    int drains_ = 0;
    bool closed_ = false;
};

// A handle on a line that outlives it: the exchange drops a serial port
// after silence and opens it again, and every opening must lead to the same
// in-memory line.
class LineHandle : public Transport
{
public:
    explicit LineHandle(MemoryTransport &line) : line_(line) {}
    QString receive() override { return line_.receive(); }
    std::optional<LinkFailure> send(const QString &command) override { return line_.send(command); }
    bool waitForData(Millis span) override { return line_.waitForData(span); }
    QString drain() override { return line_.drain(); }
    void close() override { line_.close(); }

private:
    MemoryTransport &line_;
};

} // namespace dravimo::test
