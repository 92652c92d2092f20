#pragma once
// The command exchange: the register link of the program. One command goes
// out, its reply is collected until EOT or an error reply, silence is retried,
// a card terminal's second reply is awaited, a refusal is cleared, and every
// step is written to the communication log. What the operator sees of it is
// decided by ExchangeNotices.
//
// There is one per process: main builds it and hands it to everything that
// talks to the register.

#include "core/numbers.h"
#include "ecr/link.h"
#include "ecr/transport.h"

#include <functional>
#include <memory>
#include <optional>

namespace dravimo {

class Clock;
class CommLog;
class Metrics;
class WaitLimit;
class ExchangeNotices;
class ResultFile;

// A transport as opened for a connection text. The transport is kept even when
// the open failed: it then stays closed, and the failure is what the first
// command reports.
struct OpenedTransport
{
    std::unique_ptr<Transport> transport;
    std::optional<LinkFailure> failure;
};
using TransportOpener = std::function<OpenedTransport(const QString &connection)>;

class Exchange : public EcrLink
{
public:
    Exchange(Clock &clock, ExchangeNotices &notices, CommLog &log, ResultFile &results, NumberFormat numbers,
             TransportOpener open);
    ~Exchange() override;

    CommandResult send(const Command &command, Quiet quiet = Quiet::No, Seconds cardWait = Seconds{0}) override;
    CommandResult sendOnce(const Command &command, Quiet quiet = Quiet::No, Seconds cardWait = Seconds{0}) override;
    void setConnection(const QString &connection) override { connection_ = connection; }
    void close() override;
    void setRepeatsCollapsed(bool on) override;

    // A serial port whose command ended in silence or a port failure is
    // closed, and opened again by the next command: a USB adapter unplugged
    // and plugged back is a new device, and the old handle would never hear
    // from it. Each reopen is told here (and in the communication log).
    void setLinkNotice(std::function<void(const QString &text)> notice) { linkNotice_ = std::move(notice); }
    // A register that has not answered a single command for longer than the
    // limit ends the run through it. Without one (a window, a one-shot run)
    // the register is looked for as long as it takes.
    void setMissingLimit(const WaitLimit *limit) { missingLimit_ = limit; }
    // Runs before every command goes out; a stop that can wait no longer
    // ends the process there, between two commands.
    void setBeforeCommand(std::function<void()> check) { beforeCommand_ = std::move(check); }

    // Offered every reply of every command: card acknowledgements may arrive
    // in the reply of any command, and their lines must reach the result file.
    void setReplyObserver(std::function<void(const QString &reply)> observer) { replyObserver_ = std::move(observer); }

    // Where what only the line sees is counted: the serial port opened
    // again, replies that came after their command was given up, and the
    // clear sent after a refusal.
    void setMetrics(Metrics *metrics) { metrics_ = metrics; }

    // The open transport; null until the first command.
    Transport *transport() const { return transport_.get(); }

private:
    struct Exchanged
    {
        qint16 code;
        QString text;
        QString reply;
    };
    enum class Collected { Complete, ErrorReply, Silence };

    CommandResult sendWith(const QString &command, Quiet quiet, Seconds cardWait, int attempts);
    Exchanged exchange(const QString &command, Quiet quiet, Seconds cardWait, int attempts);
    Collected collectReply(QString &buffer);
    void awaitCardReply(QString &buffer, Seconds cardWait);
    void keepOneReply(QString &buffer);
    void takeLateBytes();
    void clearAfterError();
    void logLine(const QString &text);
    bool serial() const;
    void logLink(const QString &text);
    void linkOutcome(qint16 code, qint64 startedMs);
    void appendFailure(const QString &command, qint16 code);

    Clock &clock_;
    ExchangeNotices &notices_;
    CommLog &log_;
    ResultFile &results_;
    NumberFormat numbers_;
    TransportOpener open_;
    QString connection_;
    std::unique_ptr<Transport> transport_;
    std::function<void(const QString &)> replyObserver_;
    std::function<void(const QString &)> linkNotice_;
    std::function<void()> beforeCommand_;
    const WaitLimit *missingLimit_ = nullptr;
    Metrics *metrics_ = nullptr;
    // Program time of the first command of the current run of failures.
    std::optional<qint64> missingSinceMs_;
    bool openedBefore_ = false;
    bool collapseRepeats_ = false;
    QString lastFailure_;
    // Replies that came after a command's own, in the same read.
    QString surplus_;
};

} // namespace dravimo
