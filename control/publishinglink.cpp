#include "control/publishinglink.h"

#include "control/submittedjobs.h"
#include "core/clock.h"
#include "ecr/protocol.h"

namespace dravimo {
namespace {

// The register's error codes for an empty paper roll and a Z report that
// may no longer wait.
constexpr qint16 kPaperOut = 2;
constexpr qint16 kPaperOutToo = 1064;
constexpr qint16 kZDue = 1031;

QString replyField(const QString &reply, int n)
{
    return reply.section(QLatin1Char(':'), n - 1, n - 1).trimmed();
}

} // namespace

CommandResult PublishingLink::send(const QString &command, Quiet quiet, Seconds cardWait)
{
    const CommandResult r = link_.send(command, quiet, cardWait);
    publish(command, r);
    return r;
}

CommandResult PublishingLink::sendOnce(const QString &command, Quiet quiet, Seconds cardWait)
{
    const CommandResult r = link_.sendOnce(command, quiet, cardWait);
    publish(command, r);
    return r;
}

void PublishingLink::publish(const QString &command, const CommandResult &r)
{
    const bool answered = r.code >= 0;
    const qint64 now = clock_.nowMs();
    jobs_.publish([&](RegisterSnapshot &s) {
        s.lastCommand = command;
        s.lastCode = r.code;
        s.linkUp = answered;
        if (!answered)
            return;
        s.lastAnswerMs = now;
        s.lastReply = r.reply.left(200);
        if (r.code == kPaperOut || r.code == kPaperOutToo)
            s.paperOut = true;
        else if (r.ok())
            s.paperOut = false;
        if (r.code == kZDue)
            s.zDue = true;
        else if (r.ok() && command == QLatin1String("KX021T1"))
            s.zDue = false;
        if (command == QLatin1String("KXSTAT")) {
            s.status = r.ok() && r.reply.startsWith(QLatin1String("STAT:")) ? replyField(r.reply, 2).toInt() : r.code;
            s.statusText = s.status == 0 ? QString() : ecrErrorText(QString::number(s.status), numbers_);
            // A status question goes through whatever the paper: its answer
            // says what the register lacks.
            s.paperOut = s.status == kPaperOut || s.status == kPaperOutToo;
            if (s.status == kZDue)
                s.zDue = true;
        } else if (command == QLatin1String("KXRE") && r.ok()) {
            s.numbers = replyField(r.reply, 2) + QStringLiteral(", ") + replyField(r.reply, 3);
        } else if (command == QLatin1String("KX?TO") && r.ok()) {
            s.openTable = replyField(r.reply, 2).toInt();
        }
    });
}

} // namespace dravimo
