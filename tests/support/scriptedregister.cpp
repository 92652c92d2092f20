#include "scriptedregister.h"

namespace dravimo::test {

void ScriptedRegister::answer(const QString &command, qint16 code, const QString &reply)
{
    exact_[command].append(Answer{code, reply});
}

void ScriptedRegister::script(const QString &prefix, std::deque<Answer> answers)
{
    for (Rule &rule : rules_) {
        if (rule.prefix == prefix) {
            rule.answers = std::move(answers);
            return;
        }
    }
    rules_.append({prefix, std::move(answers)});
}

CommandResult ScriptedRegister::send(const Command &sentCommand, Quiet quiet, Seconds cardWait)
{
    const QString &command = sentCommand.text;
    sent.append({command, quiet, cardWait, sentCommand.kind});
    if (onSend)
        onSend(command);
    Answer a{defaultResult, std::nullopt};
    auto exact = exact_.find(command);
    if (exact != exact_.end() && !exact->isEmpty()) {
        a = exact->takeFirst();
    } else {
        bool ruled = false;
        for (Rule &rule : rules_) {
            if (command.startsWith(rule.prefix) && !rule.answers.empty()) {
                a = rule.answers.front();
                if (rule.answers.size() > 1)
                    rule.answers.pop_front();
                ruled = true;
                break;
            }
        }
        if (!ruled && !results.empty()) {
            a.code = results.front();
            results.pop_front();
        }
    }
    const QString reply = a.reply ? *a.reply : a.code == 0 ? defaultReply : QString::number(a.code);
    return {a.code, reply};
}

QStringList ScriptedRegister::commands() const
{
    QStringList out;
    for (const SentCommand &s : sent)
        out << s.command;
    return out;
}

QStringList ScriptedRegister::commandsWithQuiet() const
{
    QStringList out;
    for (const SentCommand &s : sent)
        out << (s.quiet == Quiet::Yes ? s.command + QStringLiteral(" [quiet]") : s.command);
    return out;
}

} // namespace dravimo::test
