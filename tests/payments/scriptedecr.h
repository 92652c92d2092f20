#pragma once
// A register that answers from a script: every command is recorded with its
// quiet flag and async wait, and answered by the first matching rule (or "OK").

#include "core/shared.h"
#include "ecr/fiscaltec.h"

#include <QList>
#include <QString>
#include <QStringList>

#include <deque>
#include <functional>

namespace dravimo::test {

struct SentCommand
{
    QString command;
    qint16 quiet;
    qint16 asyncWait;
    QString logFile;
};

class ScriptedEcr : public FiscalTec
{
public:
    struct Answer
    {
        qint16 result = 0;
        QString reply = QStringLiteral("OK");
    };

    // Answers for commands starting with prefix, used in order; the last one
    // repeats.
    void script(const QString &prefix, std::deque<Answer> answers) { rules_.append({prefix, std::move(answers)}); }

    void SendCommand(const QString &command, qint16 &result, QString &reply, qint16 quiet, qint16 asyncWait,
                     const QString &logFile) override
    {
        sent.append({command, quiet, asyncWait, logFile});
        Answer a;
        for (auto &rule : rules_) {
            if (command.startsWith(rule.prefix) && !rule.answers.empty()) {
                a = rule.answers.front();
                if (rule.answers.size() > 1)
                    rule.answers.pop_front();
                break;
            }
        }
        result = a.result;
        reply = a.result == 0 ? a.reply : QString::number(a.result);
        shared().lastResultCode = result;
    }

    QStringList commands() const
    {
        QStringList out;
        for (const auto &s : sent)
            out << s.command;
        return out;
    }

    QList<SentCommand> sent;

private:
    struct Rule
    {
        QString prefix;
        std::deque<Answer> answers;
    };
    QList<Rule> rules_;
};

} // namespace dravimo::test
