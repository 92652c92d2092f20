#pragma once
// A register behind the link interface: it records every command with its
// quiet flag and card wait, and answers from a script, so a job's command
// sequence can be compared exactly without a transport and without time
// passing. The queries and the error wait run on top of it unchanged.
//
// An answer is chosen in this order: the next answer queued for exactly that
// command (answer()), the first prefix rule that matches (script()), the next
// code of `results`, and last `defaultResult`.

#include "ecr/link.h"

#include <QHash>
#include <QList>
#include <QString>
#include <QStringList>

#include <deque>
#include <functional>
#include <optional>

namespace dravimo::test {

struct SentCommand
{
    QString command;
    Quiet quiet = Quiet::No;
    Seconds cardWait{0};
    CommandKind kind = CommandKind::Raw;
};

class ScriptedRegister : public EcrLink
{
public:
    struct Answer
    {
        qint16 code = 0;
        // Without one: `defaultReply` for success, the code in decimal for a failure.
        std::optional<QString> reply;
    };

    // The next time exactly `command` is sent it gets this answer; answers for
    // the same command are used in order. Here an unspecified reply is empty.
    void answer(const QString &command, qint16 code, const QString &reply = {});
    // Answers for commands starting with `prefix`, used in order; the last one
    // repeats. A later script for the same prefix replaces the earlier one.
    void script(const QString &prefix, std::deque<Answer> answers);

    CommandResult send(const Command &command, Quiet quiet = Quiet::No, Seconds cardWait = Seconds{0}) override;
    void setConnection(const QString &text) override
    {
        connection = text;
        connections.append(text);
    }
    void close() override { ++closes; }

    // Every command as sent.
    QStringList commands() const;
    // The same, quiet ones marked " [quiet]".
    QStringList commandsWithQuiet() const;

    // Codes used in order by commands no other script answers.
    std::deque<qint16> results;
    qint16 defaultResult = 0;
    QString defaultReply;
    // Runs as each command is "on the wire": a job in progress, seen from the
    // outside.
    std::function<void(const QString &command)> onSend;

    QList<SentCommand> sent;
    QStringList connections;
    QString connection;
    int closes = 0;

private:
    struct Rule
    {
        QString prefix;
        std::deque<Answer> answers;
    };
    QHash<QString, QList<Answer>> exact_;
    QList<Rule> rules_;
};

} // namespace dravimo::test
