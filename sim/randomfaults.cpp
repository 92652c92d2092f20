#include "sim/randomfaults.h"

#include "sim/simulator.h"

#include <QRegularExpression>

namespace dravimo::sim {
namespace {

QString fail(const QString &why)
{
    return QStringLiteral("error: ") + why;
}

// A card payment: amount, "T", payment code, "P", terminal.
bool isCardPayment(const QString &command)
{
    static const QRegularExpression card(QStringLiteral("^KX[0-9]*T[0-9]+P[0-9]+"));
    return card.match(command).hasMatch();
}

} // namespace

QString RandomFaults::kindName(int kind)
{
    static const char *const names[] = {"silence", "error", "paper", "garbage", "split", "delay", "lost", "late", "decline"};
    return QString::fromLatin1(names[kind]);
}

QString RandomFaults::control(const QStringList &words)
{
    const QString first = words.value(0).toLower();
    if (first == QLatin1String("show"))
        return describe();
    if (first == QLatin1String("off")) {
        percent_ = 0.0;
        return QStringLiteral("ok");
    }
    bool ok = false;
    const double percent = first.toDouble(&ok);
    if (!ok || percent < 0.0 || percent > 100.0)
        return fail(QStringLiteral("random-faults PERCENT [seed N] | random-faults off | random-faults show"));
    quint32 seed = 1;
    if (words.size() == 3 && words[1].toLower() == QLatin1String("seed")) {
        seed = words[2].toUInt(&ok);
        if (!ok)
            return fail(QStringLiteral("seed needs a whole number"));
    } else if (words.size() != 1) {
        return fail(QStringLiteral("random-faults PERCENT [seed N]"));
    }
    percent_ = percent;
    random_.seed(seed);
    commands_ = 0;
    injected_.fill(0);
    return QStringLiteral("ok");
}

void RandomFaults::beforeCommand(const QString &command, EcrSimulator &sim)
{
    if (percent_ <= 0.0)
        return;
    ++commands_;
    if (random_.generateDouble() * 100.0 >= percent_)
        return;
    // A decline only means something for a card payment; any other command
    // draws one of the line faults.
    if (isCardPayment(command) && random_.bounded(2) == 0) {
        inject(Decline, sim);
        return;
    }
    inject(int(random_.bounded(quint32(Decline))), sim);
}

void RandomFaults::inject(int kind, EcrSimulator &sim)
{
    ++injected_[size_t(kind)];
    switch (kind) {
    case Silence: sim.control(QStringLiteral("silent 1")); break;
    case Error: sim.control(QStringLiteral("error 6 * times 1")); break;
    case Paper:
        sim.control(QStringLiteral("paper out"));
        sim.schedule(1500 + random_.bounded(4500), QStringLiteral("paper loaded"));
        break;
    case Garbage: sim.control(QStringLiteral("garbage %1 times 1").arg(1 + random_.bounded(16))); break;
    case Split: sim.control(QStringLiteral("split %1 times 1").arg(2 + random_.bounded(4))); break;
    case Delay: sim.control(QStringLiteral("delay %1 times 1").arg(200 + random_.bounded(3800))); break;
    case Lost: sim.control(QStringLiteral("lose-reply 1")); break;
    case Late: sim.control(QStringLiteral("delay %1 times 1").arg(7500 + random_.bounded(12500))); break;
    case Decline: sim.control(QStringLiteral("card code 05 times 1")); break;
    default: break;
    }
}

QString RandomFaults::describe() const
{
    qint64 total = 0;
    QStringList kinds;
    for (int k = 0; k < KindCount; ++k) {
        total += injected_[size_t(k)];
        kinds << QStringLiteral("%1 %2").arg(kindName(k)).arg(injected_[size_t(k)]);
    }
    return QStringLiteral("commands %1, faults %2: %3").arg(commands_).arg(total).arg(kinds.join(QStringLiteral(", ")));
}

} // namespace dravimo::sim
