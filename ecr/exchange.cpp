#include "ecr/exchange.h"

#include "core/clock.h"
#include "core/commlog.h"
#include "core/metricnames.h"
#include "core/metrics.h"
#include "core/resultfile.h"
#include "core/waitlimit.h"
#include "core/window.h"
#include "ecr/notices.h"
#include "ecr/protocol.h"

#include <algorithm>
#include <utility>

namespace dravimo {
namespace {

constexpr Millis kAnswerWindow{7000};
constexpr int kAttempts = 4;
// The register needs a moment after a reply before it takes the next command.
constexpr Millis kPauseAfterReply{100};
// After "KXCL" the register is given a second to drop its error state.
constexpr Millis kPauseAfterClear{1000};
// The card terminal's answer comes in several bursts; two seconds after the
// first bytes the rest has arrived.
constexpr Millis kPauseInCardReply{2000};
// Longest single block on a link whose reads do not wait by themselves.
constexpr qint64 kReplyWaitSliceMs = 256;
// In the card wait the window is serviced at least this often.
constexpr qint64 kCardWaitSliceMs = 100;

const QString kNoAnswer = QStringLiteral("Ο Φορολ. Εκτυπωτής δεν Απαντά σε εντολή !");

Millis slice(qint64 leftMs, qint64 maxMs)
{
    return Millis(std::clamp<qint64>(leftMs, 1, maxMs));
}

} // namespace

Exchange::Exchange(Clock &clock, ExchangeNotices &notices, CommLog &log, ResultFile &results, NumberFormat numbers,
                   TransportOpener open)
    : clock_(clock), notices_(notices), log_(log), results_(results), numbers_(numbers), open_(std::move(open))
{}

Exchange::~Exchange() = default;

CommandResult Exchange::send(const Command &command, Quiet quiet, Seconds cardWait)
{
    return sendWith(command.text, quiet, cardWait, kAttempts);
}

CommandResult Exchange::sendOnce(const Command &command, Quiet quiet, Seconds cardWait)
{
    return sendWith(command.text, quiet, cardWait, 1);
}

CommandResult Exchange::sendWith(const QString &command, Quiet quiet, Seconds cardWait, int attempts)
{
    if (beforeCommand_)
        beforeCommand_();
    const qint64 startedMs = clock_.nowMs();
    if (!transport_) {
        OpenedTransport opened = open_(connection_);
        transport_ = std::move(opened.transport);
        if (openedBefore_) {
            logLink(QStringLiteral("Η θύρα ανοίγει ξανά: ") + connection_);
            if (metrics_)
                metrics_->add(metric::kLinkReopens);
        }
        openedBefore_ = true;
        if (opened.failure) {
            // A serial port that cannot be opened now may be there at the
            // next command (an adapter plugged back in); a UDP link keeps its
            // socket and ends in the reply wait instead.
            if (serial())
                transport_.reset();
            linkOutcome(opened.failure->code, startedMs);
            return {opened.failure->code, opened.failure->text};
        }
    }
    takeLateBytes();
    const Exchanged x = exchange(command, quiet, cardWait, attempts);
    if (replyObserver_)
        replyObserver_(x.reply);
    // A command sent once and left unanswered is settled by its caller,
    // which tells the host what became of it: no "Err = " line here.
    const bool settledByCaller = attempts == 1 && x.code == result::NoAnswer;
    if (x.code == result::Ok)
        lastFailure_.clear();
    else if (!settledByCaller)
        appendFailure(command, x.code);
    if (serial() && (x.code == result::NoAnswer || x.code == result::PortFailed)) {
        transport_->close();
        transport_.reset();
    }
    linkOutcome(x.code, startedMs);
    return {x.code, x.text};
}

void Exchange::appendFailure(const QString &command, qint16 code)
{
    // The command without its own line end (a footer line's CR LF, the CR of
    // "KX794ST"): inside the brackets it would break the result line in two,
    // and the host would read a stray "] DateTime" line.
    QString shown = command;
    while (shown.endsWith(QLatin1Char('\n')) || shown.endsWith(QLatin1Char('\r')))
        shown.chop(1);
    const QString failure = QStringLiteral("%1, [%2]").arg(code).arg(shown);
    if (collapseRepeats_ && failure == lastFailure_)
        return;
    lastFailure_ = failure;
    results_.append(QStringLiteral("Err = ") + failure + QStringLiteral(" DateTime = ")
                    + formatDateTime(clock_.wallNow()));
}

void Exchange::setRepeatsCollapsed(bool on)
{
    collapseRepeats_ = on;
    lastFailure_.clear();
}

// Whether the register is missing: silence or a port that fails, as opposed
// to any reply at all (an error reply is a register that is there). Missing
// for longer than the limit ends the run.
void Exchange::linkOutcome(qint16 code, qint64 startedMs)
{
    const bool missing = code == result::NoAnswer || code == result::PortFailed || code == result::PortSetupFailed;
    if (!missing) {
        missingSinceMs_.reset();
        return;
    }
    if (!missingSinceMs_)
        missingSinceMs_ = startedMs;
    if (missingLimit_ && missingLimit_->passed(clock_, *missingSinceMs_)) {
        missingLimit_->end(QStringLiteral("Η ταμειακή δεν απαντά εδώ και %1 s (%2): το Dravimo σταματά· "
                                          "η εργασία τακτοποιείται στην επόμενη εκκίνηση")
                               .arg(missingLimit_->seconds())
                               .arg(connection_));
    }
}

Exchange::Exchanged Exchange::exchange(const QString &command, Quiet quiet, Seconds cardWait, int attempts)
{
    Transport &port = *transport_;
    QString buffer;
    for (int attempt = 1;; ++attempt) {
        const std::optional<LinkFailure> failure = port.send(command);
        logLine(QStringLiteral("       send:[") + command + QLatin1Char(']'));
        if (command == kNoReplyCommand)
            return failure ? Exchanged{failure->code, failure->text, {}} : Exchanged{result::Ok, {}, {}};
        // The buffer is kept across attempts: late bytes of an earlier
        // attempt still count.
        const Collected got = collectReply(buffer);
        if (got == Collected::Silence) {
            if (attempt < attempts)
                continue;
            if (attempts == 1)
                return {result::NoAnswer, kNoAnswer, kNoAnswer};
            notices_.noAnswer(kNoAnswer, quiet);
            return {result::NoAnswer, kNoAnswer, kNoAnswer};
        }
        if (got == Collected::Complete) {
            logLine(QStringLiteral("      reply: ") + formatForLog(buffer));
            // Only a card payment has a second reply to wait for; any other
            // command is done, and what the register sends after it is taken
            // before the next command goes out.
            if (cardWait.count() != 0)
                awaitCardReply(buffer, cardWait);
            else
                keepOneReply(buffer);
        }
        logLine(QStringLiteral("      reply: ") + formatForLog(buffer));
        const ReplyOutcome outcome = evaluateReply(buffer, quiet, numbers_);
        clock_.pause(kPauseAfterReply);
        if (outcome.isError) {
            notices_.refused(outcome);
            clearAfterError();
        }
        logLine(QStringLiteral(" -----------"));
        return {outcome.code, outcome.text, outcome.reply};
    }
}

Exchange::Collected Exchange::collectReply(QString &buffer)
{
    Transport &port = *transport_;
    const qint64 deadline = clock_.nowMs() + kAnswerWindow.count();
    if (replyState(buffer) == ReplyState::Text)
        return Collected::Complete;
    for (;;) {
        port.waitForData(slice(deadline - clock_.nowMs(), kReplyWaitSliceMs));
        const QString got = port.receive();
        buffer += got;
        // A refusal has no end mark: its code is whole once a read brings
        // nothing more, so noise before it or digits cut across reads are
        // read whole, and a text reply holding "DE" reads on to its EOT.
        switch (replyState(buffer)) {
        case ReplyState::Text: return Collected::Complete;
        case ReplyState::Refusal: return Collected::ErrorReply;
        case ReplyState::MaybeRefusal:
            if (got.isEmpty() || clock_.nowMs() > deadline)
                return Collected::ErrorReply;
            continue;
        case ReplyState::Incomplete: break;
        }
        // A reply whose end came in the read that crossed the deadline is
        // still that reply: sending the command again would key it twice.
        if (clock_.nowMs() > deadline)
            return Collected::Silence;
    }
}

void Exchange::awaitCardReply(QString &buffer, Seconds cardWait)
{
    Transport &port = *transport_;
    // Rounded to a whole second of program time, so the wait lasts up to half
    // a second more or less than asked.
    const qint64 deadline = (clock_.nowMs() + cardWait.count() * 1000LL + 500) / 1000 * 1000;
    // The dialog belongs to this wait alone: a command started by an event
    // handled below must not close it.
    const std::unique_ptr<WaitDialog> dialog = notices_.cardWait();
    while (clock_.nowMs() <= deadline) {
        port.waitForData(slice(deadline - clock_.nowMs(), kCardWaitSliceMs));
        const QString first = port.receive();
        if (!first.isEmpty()) {
            clock_.pause(kPauseInCardReply);
            buffer = first + port.receive();
            logLine(QStringLiteral("reply async: ") + formatForLog(buffer));
            break;
        }
        if (dialog && !dialog->isOpen())
            break;
        notices_.letEventsRun();
    }
    if (dialog)
        dialog->close();
}

// A question asked again may find the first asking's late answer and its own
// in one read: the command's reply ends at its first EOT, and what follows is
// another reply, taken before the next command like any late bytes. Joined,
// "TO:5" twice read as table "5TO".
void Exchange::keepOneReply(QString &buffer)
{
    const qsizetype end = buffer.indexOf(QChar(4));
    if (end < 0 || end + 1 == buffer.size())
        return;
    surplus_ += buffer.mid(end + 1);
    buffer.truncate(end + 1);
}

void Exchange::takeLateBytes()
{
    // Before a command's first send only: between its attempts the bytes
    // belong to the command's own reply.
    const QString late = std::exchange(surplus_, QString()) + transport_->drain();
    if (late.isEmpty())
        return;
    logLine(QStringLiteral(" reply late: ") + formatForLog(late));
    const QStringList replies = splitReplies(late);
    if (metrics_)
        metrics_->add(metric::kReplies, QStringLiteral("late"), double(replies.size()));
    if (!replyObserver_)
        return;
    // A card terminal's approval can come after its wait was given up; it is
    // still owed its line in the result file.
    for (const QString &reply : replies)
        replyObserver_(reply);
}

void Exchange::clearAfterError()
{
    // No reply wait, no retry and no log line: the register has just spoken,
    // it is listening.
    transport_->send(ecrcommand::clear().text);
    if (metrics_)
        metrics_->add(metric::kCommands, kindName(CommandKind::Clear));
    clock_.pause(kPauseAfterClear);
    transport_->receive();
}

void Exchange::close()
{
    if (!transport_)
        return;
    transport_->close();
    // A serial port is opened afresh by the next command; the UDP link keeps
    // its closed socket, as a datagram link is opened once per run.
    if (connection_.left(3).compare(QLatin1String("com"), Qt::CaseInsensitive) == 0)
        transport_.reset();
}

// The serial transport, as openTransport() chooses it.
bool Exchange::serial() const
{
    return connection_.startsWith(QLatin1String("com"));
}

void Exchange::logLink(const QString &text)
{
    logLine(QStringLiteral(" ") + text);
    if (linkNotice_)
        linkNotice_(text);
}

void Exchange::logLine(const QString &text)
{
    if (!log_.isOpen())
        return;
    log_.write(clock_.wallNow().toString(QStringLiteral("mm:ss")) + text);
}

} // namespace dravimo
