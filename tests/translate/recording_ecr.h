#pragma once
// A register that records every command of a job and answers from a script,
// so a print file's command sequence can be compared exactly, without a
// transport and without time passing.

#include "core/shared.h"
#include "ecr/fiscaltec.h"

#include <QHash>
#include <QList>
#include <QStringList>

namespace dravimo::test {

struct SentCommand
{
    QString command;
    qint16 quiet = 0;
    qint16 asyncWait = 0;
    QString logFile;
};

class RecordingEcr : public FiscalTec
{
public:
    void SendCommand(const QString &command, qint16 &result, QString &reply, qint16 quiet, qint16 asyncWait,
                     const QString &logFile) override
    {
        sent.append({command, quiet, asyncWait, logFile});
        Answer a;
        auto it = script_.find(command);
        if (it != script_.end() && !it->isEmpty())
            a = it->takeFirst();
        result = a.result;
        reply = a.reply;
        shared().lastResultCode = a.result;
    }

    // The next time `command` is sent it gets this answer; answers for the same
    // command are used in order. Unscripted commands succeed with no reply.
    void answer(const QString &command, qint16 result, const QString &reply = {})
    {
        script_[command].append(Answer{result, reply});
    }

    // Every command as sent, quiet ones marked " [quiet]".
    QStringList commands() const
    {
        QStringList out;
        for (const SentCommand &s : sent)
            out.append(s.quiet != 0 ? s.command + QStringLiteral(" [quiet]") : s.command);
        return out;
    }

    QList<SentCommand> sent;

private:
    struct Answer
    {
        qint16 result = 0;
        QString reply;
    };
    QHash<QString, QList<Answer>> script_;
};

} // namespace dravimo::test
