#include "control/publishinglink.h"

#include "control/submittedjobs.h"
#include "core/clock.h"
#include "ecr/errorwait.h"
#include "ecr/protocol.h"

namespace dravimo {
namespace {

// The register's error code for a Z report that may no longer wait.
constexpr qint16 kZDue = 1031;

QString replyField(const QString &reply, int n)
{
    return reply.section(QLatin1Char(':'), n - 1, n - 1).trimmed();
}

} // namespace

CommandResult PublishingLink::send(const Command &command, Quiet quiet, Seconds cardWait)
{
    const CommandResult r = link_.send(command, quiet, cardWait);
    publish(command, r);
    return r;
}

CommandResult PublishingLink::sendOnce(const Command &command, Quiet quiet, Seconds cardWait)
{
    const CommandResult r = link_.sendOnce(command, quiet, cardWait);
    publish(command, r);
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

} // namespace dravimo
