#include "sim/control.h"

#include "sim/command.h"
#include "sim/simulator.h"
#include "sim/wildcard.h"

#include "greek/cp1253.h"

#include <QHash>

#include <cmath>
#include <functional>

namespace dravimo::sim {

namespace {

const QString kOk = QStringLiteral("ok");

QString fail(const QString &why)
{
    return QStringLiteral("error: ") + why;
}

bool readEscape(const QString &line, qsizetype &i, QString &out)
{
    const QChar c = line[i];
    switch (c.unicode()) {
    case 'r': out += QLatin1Char('\r'); return true;
    case 'n': out += QLatin1Char('\n'); return true;
    case 't': out += QLatin1Char('\t'); return true;
    case '\\':
    case '"': out += c; return true;
    case 'x': {
        bool ok = false;
        const uint code = line.mid(i + 1, 2).toUInt(&ok, 16);
        if (!ok || i + 2 >= line.size())
            return false;
        // \xHH names a byte of the line, which is a Windows-1253 character.
        out += cp1253::fromByte(static_cast<unsigned char>(code));
        i += 2;
        return true;
    }
    default: return false;
    }
}

bool readQuoted(const QString &line, qsizetype &i, QString &out)
{
    for (++i; i < line.size(); ++i) {
        if (line[i] == QLatin1Char('"'))
            return true;
        if (line[i] != QLatin1Char('\\')) {
            out += line[i];
            continue;
        }
        if (++i >= line.size() || !readEscape(line, i, out))
            return false;
    }
    return false;
}

} // namespace

bool tokenize(const QString &line, QList<Token> &tokens, QString *error)
{
    tokens.clear();
    for (qsizetype i = 0; i < line.size();) {
        if (line[i].isSpace()) {
            ++i;
            continue;
        }
        if (line[i] == QLatin1Char('#'))
            break;
        Token token;
        token.start = i;
        if (line[i] == QLatin1Char('"')) {
            token.quoted = true;
            if (!readQuoted(line, i, token.text)) {
                if (error)
                    *error = QStringLiteral("unterminated quote or bad escape");
                return false;
            }
            ++i;
        } else {
            while (i < line.size() && !line[i].isSpace())
                token.text += line[i++];
        }
        tokens.append(token);
    }
    return true;
}

QString ControlInterpreter::run(const QString &line)
{
    line_ = line;
    QString why;
    if (!tokenize(line, tokens_, &why))
        return fail(why);
    if (tokens_.isEmpty())
        return kOk;
    return dispatch();
}

QString ControlInterpreter::dispatch()
{
    RegisterConfig &config = sim_.ecr().config();
    using Handler = std::function<QString()>;
    const QHash<QString, Handler> handlers{
        {QStringLiteral("silent"), [this] { return silent(); }},
        {QStringLiteral("lose-reply"), [this] { return loseReply(); }},
        {QStringLiteral("error"), [this] { return error(); }},
        {QStringLiteral("delay"), [this] { return delay(); }},
        {QStringLiteral("split"), [this] { return split(); }},
        {QStringLiteral("garbage"), [this] { return garbage(); }},
        {QStringLiteral("paper"), [this] { return paper(); }},
        {QStringLiteral("key"), [this] { return key(); }},
        {QStringLiteral("random-faults"),
         [this] {
             QStringList words;
             for (int i = 1; i < tokens_.size(); ++i)
                 words << word(i);
             return sim_.randomFaults().control(words);
         }},
        {QStringLiteral("z-due"), [this] { return zDue(); }},
        {QStringLiteral("status-form"), [this] { return statusForm(); }},
        {QStringLiteral("card"), [this] { return card(); }},
        {QStringLiteral("vat"), [this] { return vat(); }},
        {QStringLiteral("department"), [this] { return department(); }},
        {QStringLiteral("price-limit"), [this, &config] { return limit(config.priceLimit); }},
        {QStringLiteral("cash-limit"), [this, &config] { return limit(config.cashLimit); }},
        {QStringLiteral("require-subtotal"), [this, &config] { return onOff(config.requireSubtotal); }},
        {QStringLiteral("header"), [this, &config] { return textLines(config.header); }},
        {QStringLiteral("footer"), [this, &config] { return textLines(config.footer); }},
        {QStringLiteral("date"), [this] { return date(); }},
        {QStringLiteral("receipt-number"), [this] { return counter(true); }},
        {QStringLiteral("z-number"), [this] { return counter(false); }},
        {QStringLiteral("after"), [this] { return after(); }},
        {QStringLiteral("on"), [this] { return on(); }},
        {QStringLiteral("reset"), [this] { return reset(); }},
        {QStringLiteral("show"), [this] { return show(); }},
        {QStringLiteral("quit"),
         [this] {
             emit sim_.quitRequested();
             return kOk;
         }},
    };
    const auto handler = handlers.find(word(0).toLower());
    if (handler == handlers.end())
        return fail(QStringLiteral("unknown instruction \"%1\"").arg(word(0)));
    return handler.value()();
}

QString ControlInterpreter::word(int index) const
{
    return index < tokens_.size() ? tokens_[index].text : QString();
}

QString ControlInterpreter::rest(int index) const
{
    return index < tokens_.size() ? line_.mid(tokens_[index].start).trimmed() : QString();
}

bool ControlInterpreter::number(int index, qint64 &value) const
{
    if (index >= tokens_.size())
        return false;
    bool ok = false;
    value = tokens_[index].text.toLongLong(&ok);
    return ok && value >= 0;
}

bool ControlInterpreter::takeTimes(int &times)
{
    times = kAlways;
    const int n = int(tokens_.size());
    if (n < 3 || word(n - 2).toLower() != QLatin1String("times"))
        return true;
    qint64 value = 0;
    if (!number(n - 1, value) || value < 1)
        return false;
    times = int(value);
    tokens_.resize(n - 2);
    return true;
}

// "NAME", "NAME N" or "NAME off": a fault for every command, the next N, or none.
QString ControlInterpreter::commandCount(const std::function<void(int)> &set, const QString &usage)
{
    qint64 n = 0;
    if (tokens_.size() == 1)
        set(kAlways);
    else if (word(1).toLower() == QLatin1String("off"))
        set(0);
    else if (number(1, n) && n > 0)
        set(int(n));
    else
        return fail(usage);
    return kOk;
}

QString ControlInterpreter::silent()
{
    return commandCount([this](int n) { sim_.faults().setSilent(n); }, QStringLiteral("silent [N|off]"));
}

QString ControlInterpreter::loseReply()
{
    return commandCount([this](int n) { sim_.faults().setLoseReply(n); }, QStringLiteral("lose-reply [N|off]"));
}

QString ControlInterpreter::error()
{
    if (word(1).toLower() == QLatin1String("off")) {
        sim_.faults().removeErrorRules(word(2));
        return kOk;
    }
    int times = kAlways;
    qint64 code = 0;
    if (!takeTimes(times) || !number(1, code) || tokens_.size() != 3)
        return fail(QStringLiteral("error CODE PATTERN [times N] | error off [PATTERN]"));
    if (!patternValid(word(2)))
        return fail(QStringLiteral("bad regular expression %1").arg(word(2)));
    sim_.faults().addErrorRule(int(code), word(2), times);
    return kOk;
}

QString ControlInterpreter::delay()
{
    if (word(1).toLower() == QLatin1String("off")) {
        sim_.faults().setDelay(0, 0);
        return kOk;
    }
    int times = kAlways;
    qint64 ms = 0;
    if (!takeTimes(times) || !number(1, ms) || tokens_.size() != 2)
        return fail(QStringLiteral("delay MS [times N] | delay off"));
    sim_.faults().setDelay(ms, times);
    return kOk;
}

QString ControlInterpreter::split()
{
    if (word(1).toLower() == QLatin1String("off")) {
        sim_.faults().setSplit(1, 0, 0);
        return kOk;
    }
    int times = kAlways;
    qint64 pieces = 0;
    qint64 gap = FaultPlan::kDefaultSplitGapMs;
    const bool shapeOk = takeTimes(times) && number(1, pieces) && pieces >= 1;
    const bool gapOk =
        tokens_.size() == 2 || (tokens_.size() == 4 && word(2).toLower() == QLatin1String("gap") && number(3, gap));
    if (!shapeOk || !gapOk)
        return fail(QStringLiteral("split PIECES [gap MS] [times N] | split off"));
    sim_.faults().setSplit(int(pieces), gap, times);
    return kOk;
}

QString ControlInterpreter::garbage()
{
    if (word(1).toLower() == QLatin1String("off")) {
        sim_.faults().setGarbage(QByteArray(), 0);
        return kOk;
    }
    int times = kAlways;
    if (!takeTimes(times) || tokens_.size() != 2)
        return fail(QStringLiteral("garbage COUNT|\"TEXT\"|hex:HH.. [times N] | garbage off"));
    const Token &t = tokens_[1];
    QByteArray bytes;
    qint64 count = 0;
    if (t.quoted)
        bytes = cp1253::encode(t.text);
    else if (t.text.startsWith(QLatin1String("hex:")))
        bytes = QByteArray::fromHex(t.text.mid(4).toLatin1());
    else if (number(1, count) && count > 0 && count <= 1000)
        bytes = noiseBytes(int(count));
    if (bytes.isEmpty())
        return fail(QStringLiteral("garbage needs a count, a quoted text or hex: bytes"));
    sim_.faults().setGarbage(bytes, times);
    return kOk;
}

QString ControlInterpreter::paper()
{
    const QString state = word(1).toLower();
    if (state == QLatin1String("out"))
        sim_.ecr().setPaperOut(true);
    else if (state == QLatin1String("loaded") || state == QLatin1String("in"))
        sim_.ecr().setPaperOut(false);
    else
        return fail(QStringLiteral("paper out|loaded"));
    return kOk;
}

// The cashier at the register's own keyboard: the command is carried out at
// once, past every fault, and nothing goes down the line.
QString ControlInterpreter::key()
{
    if (tokens_.size() != 2)
        return fail(QStringLiteral("key COMMAND"));
    const Reply reply = sim_.ecr().handle(parseCommand(word(1)));
    if (reply.kind == Reply::Kind::Error)
        return fail(QStringLiteral("refused: DE%1").arg(reply.code));
    return kOk;
}

QString ControlInterpreter::zDue()
{
    bool due = sim_.ecr().zDue();
    QString result = onOff(due);
    sim_.ecr().setZDue(due);
    return result;
}

QString ControlInterpreter::statusForm()
{
    const QString form = word(1).toLower();
    if (form != QLatin1String("stat") && form != QLatin1String("de"))
        return fail(QStringLiteral("status-form stat|de"));
    sim_.ecr().config().statusDeForm = form == QLatin1String("de");
    return kOk;
}

QString ControlInterpreter::onOff(bool &target)
{
    const QString v = word(1).toLower();
    if (v != QLatin1String("on") && v != QLatin1String("off"))
        return fail(QStringLiteral("%1 on|off").arg(word(0)));
    target = v == QLatin1String("on");
    return kOk;
}

} // namespace dravimo::sim
