#pragma once
// The scenario and control language: one instruction per line, the same
// whether it comes from a scenario file, a --set option or the control
// channel. docs/ecrsim.md lists every instruction.

#include <QString>
#include <QStringList>

#include <functional>

namespace dravimo::sim {

class EcrSimulator;

// One word of a line. Quoted words may hold spaces and escapes (\r, \n, \t,
// \\, \", \xHH); `start` is where the word begins in the line, so that an
// instruction can take the rest of the line as it was written.
struct Token
{
    QString text;
    bool quoted = false;
    qsizetype start = 0;
};

// Splits a line into words; "#" outside quotes starts a comment. Returns false
// (and sets error) for an unterminated quote or a bad escape.
bool tokenize(const QString &line, QList<Token> &tokens, QString *error);

class ControlInterpreter
{
public:
    explicit ControlInterpreter(EcrSimulator &sim) : sim_(sim) {}

    // "ok", "error: ..." or the text a "show" asked for.
    QString run(const QString &line);

private:
    QString dispatch();
    QString commandCount(const std::function<void(int)> &set, const QString &usage);
    QString silent();
    QString loseReply();
    QString error();
    QString delay();
    QString split();
    QString garbage();
    QString paper();
    QString key();
    QString zDue();
    QString statusForm();
    QString card();
    QString vat();
    QString department();
    QString limit(qint64 &target);
    QString onOff(bool &target);
    QString textLines(QStringList &target);
    QString date();
    QString counter(bool receipt);
    QString after();
    QString on();
    QString reset();
    QString show();

    // "times N" at the end of the words (removed when present).
    bool takeTimes(int &times);
    bool number(int index, qint64 &value) const;
    QString word(int index) const;
    QString rest(int index) const;

    EcrSimulator &sim_;
    QString line_;
    QList<Token> tokens_;
};

} // namespace dravimo::sim
