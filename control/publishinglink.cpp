#include "control/publishinglink.h"

#include "control/submittedjobs.h"
#include "core/clock.h"
#include "core/metricnames.h"
#include "core/metrics.h"
#include "ecr/errorwait.h"
#include "ecr/protocol.h"
#include "payments/cardpayment.h"

namespace dravimo {
namespace {

// The register's error code for a Z report that may no longer wait.
constexpr qint16 kZDue = 1031;

QString cardClass(CardReply reply)
{
    switch (reply) {
    case CardReply::Accepted: return QStringLiteral("accepted");
    case CardReply::Declined: return QStringLiteral("declined");
    case CardReply::Refused: return QStringLiteral("refused");
    case CardReply::Busy: return QStringLiteral("busy");
    case CardReply::NotReceived: return QStringLiteral("not_received");
    }
    return QStringLiteral("accepted");
}

QString replyOutcome(qint16 code)
{
    if (code == result::Ok)
        return QStringLiteral("ok");
    if (code == result::NoAnswer)
        return QStringLiteral("no_answer");
    if (code == result::PortFailed || code == result::PortSetupFailed)
        return QStringLiteral("port_failed");
    return QStringLiteral("refused");
}

QString replyField(const QString &reply, int n)
{
    return reply.section(QLatin1Char(':'), n - 1, n - 1).trimmed();
}

} // namespace

CommandResult PublishingLink::send(const Command &command, Quiet quiet, Seconds cardWait)
{
    const qint64 startedMs = clock_.nowMs();
    const CommandResult r = link_.send(command, quiet, cardWait);
    publish(command, r);
    count(command, r, startedMs);
    return r;
}

CommandResult PublishingLink::sendOnce(const Command &command, Quiet quiet, Seconds cardWait)
{
    const qint64 startedMs = clock_.nowMs();
    const CommandResult r = link_.sendOnce(command, quiet, cardWait);
    publish(command, r);
    count(command, r, startedMs);
    return r;
}

void PublishingLink::publish(const Command &command, const CommandResult &r)
{
    const bool answered = r.code >= 0;
    const qint64 now = clock_.nowMs();
    jobs_.publish([&](RegisterSnapshot &s) {
        s.lastCommand = command.text;
        s.lastCode = r.code;
        s.linkUp = answered;
        if (!answered)
            return;
        s.lastAnswerMs = now;
        s.lastReply = r.reply.left(200);
        if (isPaperOut(r.code))
            s.paperOut = true;
        else if (r.ok())
            s.paperOut = false;
        if (r.code == kZDue)
            s.zDue = true;
        else if (r.ok() && command == ecrcommand::dailyZReport())
            s.zDue = false;
        if (command == ecrcommand::status()) {
            s.status = r.ok() && r.reply.startsWith(QLatin1String("STAT:")) ? replyField(r.reply, 2).toInt() : r.code;
            s.statusText = s.status == 0 ? QString() : ecrErrorText(QString::number(s.status), numbers_);
            // A status question goes through whatever the paper: its answer
            // says what the register lacks.
            s.paperOut = isPaperOut(qint16(s.status));
            if (s.status == kZDue)
                s.zDue = true;
        } else if (command == ecrcommand::receiptNumbers() && r.ok()) {
            s.numbers = replyField(r.reply, 2) + QStringLiteral(", ") + replyField(r.reply, 3);
        } else if (command == ecrcommand::openTable() && r.ok()) {
            s.openTable = replyField(r.reply, 2).toInt();
        }
    });
}

// A card payment's reply is the terminal's answer (the register's own
// refusal of it is counted with the other refusals).
void PublishingLink::count(const Command &command, const CommandResult &r, qint64 startedMs)
{
    if (!metrics_)
        return;
    metrics_->add(metric::kCommands, kindName(command.kind));
    const QString outcome = replyOutcome(r.code);
    metrics_->add(metric::kReplies, outcome);
    if (outcome == QLatin1String("refused"))
        metrics_->add(metric::kRefusals,
                      r.code == result::Unreadable ? QStringLiteral("unreadable") : QString::number(r.code));
    if (command.kind == CommandKind::CardPayment && r.ok())
        metrics_->add(metric::kCardAttempts, cardClass(classifyCardReply(r.reply)));
    metrics_->observe(metric::kRoundTrip, double(clock_.nowMs() - startedMs) / 1000.0);
    // The one command that waits for no reply says nothing of the register.
    if (command.text != kNoReplyCommand)
        metrics_->set(metric::kAnswering, r.code >= 0 ? 1 : 0);
}

} // namespace dravimo
