// Faults at random for the soak: seeded, counted, and each one a fault the
// register really commits on the line.
#include "simtest.h"

using namespace dravimo;
using namespace dravimo::sim;
using namespace dravimo::sim::test;

namespace {

QStringList answers(const QString &setup, int commands)
{
    ScaledClock clock;
    EcrSimulator sim{clock};
    control(sim, setup);
    QStringList out;
    for (int i = 0; i < commands; ++i)
        out << ask(sim, QStringLiteral("KXCL"));
    out << sim.control(QStringLiteral("random-faults show"));
    return out;
}

TEST(RandomFaults, SeededRunRepeatsAndEveryCommandCanBeHit)
{
    const QStringList first = answers(QStringLiteral("random-faults 100 seed 7"), 300);
    EXPECT_EQ(first, answers(QStringLiteral("random-faults 100 seed 7"), 300));
    EXPECT_NE(first, answers(QStringLiteral("random-faults 100 seed 8"), 300));
    // Every command drew a fault; decline needs a card payment, so it has none.
    const QString counts = first.last();
    EXPECT_TRUE(counts.startsWith(QStringLiteral("commands 300, faults 300: "))) << str(counts);
    for (const char *kind : {"silence", "error", "paper", "garbage", "split", "delay", "lost", "late"})
        EXPECT_FALSE(counts.contains(QStringLiteral("%1 0,").arg(QLatin1String(kind)))) << kind << " " << str(counts);
    EXPECT_TRUE(counts.endsWith(QStringLiteral("decline 0"))) << str(counts);
    EXPECT_TRUE(first.contains(QString())) << "silence";
    EXPECT_TRUE(first.contains(QStringLiteral("DE6")));
}

TEST(RandomFaults, NoneAtZeroOrOffAndBadLinesRefused)
{
    for (const char *setup : {"random-faults 0", "random-faults off"}) {
        const QStringList got = answers(QString::fromLatin1(setup), 50);
        EXPECT_EQ(got.count(QStringLiteral("CL:0:0\r\x04")), 50) << setup;
    }
    ScaledClock clock;
    EcrSimulator sim{clock};
    for (const char *bad : {"random-faults", "random-faults 101", "random-faults x", "random-faults 1 seed",
                            "random-faults 1 seed -3", "random-faults 1 2"})
        EXPECT_TRUE(sim.control(QString::fromLatin1(bad)).startsWith(QStringLiteral("error: "))) << bad;
}

} // namespace
