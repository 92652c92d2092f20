// "PRG" and "snd" lines: commands the host writes itself.
#include "translate/handlers.h"

#include "greek/recipes.h"

namespace dravimo {

// Commands of the "KY" family go as written; every other command is a
// keyboard sequence and gets the "KX" prefix.
LineResult handleProgramming(Job &job, const QString &command)
{
    LineRecord &r = job.record;
    r.operation = Operation::Raw;
    QString c = greek::simpleUpper(command.trimmed());
    if (!c.startsWith(QLatin1String("KY")))
        c.prepend(QLatin1String("KX"));
    r.text = greek::commandTextConversion(c);
    sendOperation(job);
    return LineResult::Next;
}

// The host wants the reply back: it goes to the result file on one line, its
// line feeds written as "~". The command is sent untrimmed, as the host wrote
// it, and quietly: the host judges the outcome from the reply line.
LineResult handlePassThrough(Job &job, const QString &command)
{
    const qint16 result = job.send(ecrcommand::raw(QStringLiteral("KX") + command), Quiet::Yes);
    QString reply = job.lastReply;
    reply.replace(QLatin1Char('\n'), QLatin1Char('~'));
    job.appendResult(QStringLiteral("sndReply = ") + QString::number(result) + QLatin1Char(';') + reply);
    return LineResult::Next;
}

} // namespace dravimo
