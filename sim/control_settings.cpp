// Control instructions for the card terminal, the register's programming,
// timed and triggered instructions, and "show".
#include "sim/control.h"

#include "sim/simulator.h"
#include "sim/wildcard.h"

#include <cmath>

namespace dravimo::sim {

namespace {

const QString kOk = QStringLiteral("ok");

QString fail(const QString &why)
{
    return QStringLiteral("error: ") + why;
}

// "24", "6.5" or "6,5" percent as hundredths.
std::optional<qint64> percentHundredths(QString text)
{
    bool ok = false;
    const double value = text.replace(QLatin1Char(','), QLatin1Char('.')).toDouble(&ok);
    if (!ok || value < 0 || value >= 100)
        return std::nullopt;
    return qint64(std::llround(value * 100));
}

} // namespace

// card OUTCOME [ARG] [delay MS] [times N] | card default OUTCOME [ARG]
// | card delay MS | card clear
QString ControlInterpreter::card()
{
    CardTerminal &terminal = sim_.card();
    const QString first = word(1).toLower();
    qint64 ms = 0;
    if (first == QLatin1String("clear")) {
        terminal.clearQueue();
        return kOk;
    }
    if (first == QLatin1String("abandon")) {
        // Whether a key pressed on the register while the terminal works on
        // a card abandons the charge, or the terminal finishes it anyway.
        const QString how = word(2).toLower();
        if (tokens_.size() != 3 || (how != QLatin1String("keep") && how != QLatin1String("drop")))
            return fail(QStringLiteral("card abandon keep|drop"));
        sim_.ecr().config().cardOutlivesKeys = how == QLatin1String("keep");
        return kOk;
    }
    if (first == QLatin1String("delay")) {
        if (!number(2, ms) || tokens_.size() != 3)
            return fail(QStringLiteral("card delay MS"));
        terminal.setDelay(ms);
        return kOk;
    }
    int times = 1;
    int timesRead = kAlways;
    if (!takeTimes(timesRead))
        return fail(QStringLiteral("times needs a count above 0"));
    if (timesRead != kAlways)
        times = timesRead;
    const bool isDefault = first == QLatin1String("default");
    int i = isDefault ? 2 : 1;
    const QString kind = word(i).toLower();
    const bool takesArgument = kind == QLatin1String("code") || kind == QLatin1String("raw");
    auto outcome = cardOutcomeFromWords(kind, takesArgument ? word(i + 1) : QString());
    i += takesArgument ? 2 : 1;
    if (!outcome || (takesArgument && i > tokens_.size()))
        return fail(QStringLiteral("card 358|355|356|cntfail|none|code CODE|raw \"TEXT\" [delay MS] [times N]"));
    if (word(i).toLower() == QLatin1String("delay")) {
        if (!number(i + 1, ms))
            return fail(QStringLiteral("delay needs milliseconds"));
        outcome->delayMs = ms;
        i += 2;
    }
    if (i != tokens_.size())
        return fail(QStringLiteral("unexpected \"%1\"").arg(word(i)));
    if (isDefault)
        terminal.setDefault(*outcome);
    else
        terminal.queue(*outcome, times);
    return kOk;
}

QString ControlInterpreter::vat()
{
    qint64 category = 0;
    const auto rate = percentHundredths(word(2));
    if (!number(1, category) || category < 1 || category > 5 || !rate)
        return fail(QStringLiteral("vat CATEGORY(1-5) RATE"));
    sim_.ecr().config().vatRates[category] = *rate;
    return kOk;
}

QString ControlInterpreter::department()
{
    qint64 dept = 0;
    qint64 category = 0;
    if (!number(1, dept) || dept < 6 || dept > 99 || !number(2, category) || category > 5)
        return fail(QStringLiteral("department DEPARTMENT(6-99) CATEGORY(0-5)"));
    sim_.ecr().config().departmentVat[int(dept)] = int(category);
    return kOk;
}

QString ControlInterpreter::limit(qint64 &target)
{
    qint64 cents = 0;
    if (!number(1, cents) || tokens_.size() != 2)
        return fail(QStringLiteral("%1 CENTS").arg(word(0)));
    target = cents;
    return kOk;
}

QString ControlInterpreter::textLines(QStringList &target)
{
    target.clear();
    for (int i = 1; i < tokens_.size(); ++i)
        target << tokens_[i].text;
    return kOk;
}

QString ControlInterpreter::date()
{
    RegisterConfig &config = sim_.ecr().config();
    if (word(1).toLower() == QLatin1String("off")) {
        config.fixedDate.reset();
        return kOk;
    }
    const QDateTime when = QDateTime::fromString(word(1), QStringLiteral("dd/MM/yyyy HH:mm"));
    if (!when.isValid())
        return fail(QStringLiteral("date \"DD/MM/YYYY hh:mm\" | date off"));
    config.fixedDate = when;
    return kOk;
}

QString ControlInterpreter::counter(bool receipt)
{
    qint64 n = 0;
    if (!number(1, n) || n > 99999 || (!receipt && n < 1))
        return fail(QStringLiteral("%1 NUMBER").arg(word(0)));
    if (receipt)
        sim_.ecr().setReceiptNumber(int(n));
    else
        sim_.ecr().setZNumber(int(n));
    return kOk;
}

QString ControlInterpreter::after()
{
    qint64 ms = 0;
    if (!number(1, ms) || rest(2).isEmpty())
        return fail(QStringLiteral("after MS INSTRUCTION"));
    sim_.schedule(ms, rest(2));
    return kOk;
}

QString ControlInterpreter::on()
{
    if (rest(2).isEmpty())
        return fail(QStringLiteral("on PATTERN INSTRUCTION"));
    if (!patternValid(word(1)))
        return fail(QStringLiteral("bad regular expression %1").arg(word(1)));
    sim_.addTrigger(word(1), rest(2));
    return kOk;
}

// Back to a register that behaves: faults, triggers, queued card outcomes,
// paper out and a due Z report go; the register's contents, counters and
// programming stay.
QString ControlInterpreter::reset()
{
    sim_.faults().reset();
    sim_.clearTriggers();
    sim_.card().clearQueue();
    sim_.ecr().setPaperOut(false);
    sim_.ecr().setZDue(false);
    return kOk;
}

QString ControlInterpreter::show()
{
    const QString what = word(1).toLower();
    if (what == QLatin1String("roll"))
        return sim_.roll().text();
    if (what == QLatin1String("trace"))
        return sim_.trace().text();
    if (what == QLatin1String("faults"))
        return sim_.faults().describe().join(QLatin1Char('\n'));
    if (what == QLatin1String("status")) {
        const EcrRegister &r = sim_.ecr();
        return QStringLiteral(
                   "status %1, receipt %2, table %3, tables [%4], last receipt %5, Z %6, queued card outcomes %7")
            .arg(r.status())
            .arg(r.receipt() ? QStringLiteral("open") : QStringLiteral("none"))
            .arg(r.openTable())
            .arg([&r] {
                QStringList l;
                for (int t : r.tables())
                    l << QString::number(t);
                return l.join(QLatin1Char(','));
            }())
            .arg(r.receiptNumber())
            .arg(r.zNumber())
            .arg(sim_.card().queued());
    }
    if (what == QLatin1String("books"))
        return sim_.ecr().books().join(QLatin1Char('\n'));
    return fail(QStringLiteral("show roll|trace|faults|status|books"));
}

} // namespace dravimo::sim
