// Dravimo as a service nobody watches, against the simulator as a process:
// a port that comes back, a register error that never clears, settings that
// cannot work, and a stop from the service manager. Exit codes are the
// README's numbers as written.
#include "rig.h"

#include "core/files.h"

#include <QDeadlineTimer>
#include <QElapsedTimer>
#include <QFile>
#include <QThread>

#include <gtest/gtest.h>

#include <functional>

using namespace dravimo;
using namespace dravimo::test;

namespace {

constexpr int kJobTimeoutMs = 60000;

// A one-item receipt paid in cash: a print-file line per receipt part.
QString receipt(const QString &item)
{
    const QString plu = QStringLiteral(" PLU ") + QString(14, QLatin1Char(' '))
        + item.leftJustified(24, QLatin1Char(' ')) + QString(4, QLatin1Char(' '))
        + QStringLiteral("1").rightJustified(7, QLatin1Char(' ')) + QStringLiteral("  ")
        + QStringLiteral("2.00").rightJustified(9, QLatin1Char(' ')) + QStringLiteral("   ")
        + QStringLiteral("24").rightJustified(5, QLatin1Char(' '));
    return plu + QStringLiteral("\r\n tot   1       2.00\r\n");
}

QString printFile(const QStringList &items)
{
    QString text = QStringLiteral(" resFile:  r.txt\r\n");
    for (const QString &item : items)
        text += receipt(item);
    return text;
}

bool waitFor(const std::function<bool()> &done, int ms)
{
    QDeadlineTimer deadline(ms);
    while (!done()) {
        if (deadline.hasExpired())
            return false;
        QThread::msleep(50);
    }
    return true;
}

int closedReceipts(const Rig &rig)
{
    const QString books = rig.control(QStringLiteral("show books"));
    const qsizetype at = books.indexOf(QStringLiteral("day: receipts "));
    return at < 0 ? -1 : books.mid(at + 14).section(QLatin1Char(','), 0, 0).toInt();
}

} // namespace

// The register's adapter is unplugged and plugged back while Dravimo is idle:
// the device name now leads to another line. The next job finds it there.
TEST(Service, APortThatComesBackIsOpenedAgainAndTheNextJobPrintsOnIt)
{
    Rig rig;
    ASSERT_TRUE(rig.startSimulator());
    rig.linkDevice();
    rig.writeSettings();
    ASSERT_TRUE(rig.startDravimo());
    rig.drop(QStringLiteral("print.1"), printFile({QStringLiteral("FIRST")}));
    ASSERT_TRUE(rig.waitGone(QStringLiteral("print.1"), kJobTimeoutMs)) << rig.dravimoErrors().toStdString();

    ASSERT_TRUE(rig.replaceSimulator());
    rig.drop(QStringLiteral("print.2"), printFile({QStringLiteral("SECOND")}));
    ASSERT_TRUE(rig.waitGone(QStringLiteral("print.2"), kJobTimeoutMs)) << rig.dravimoErrors().toStdString();
    EXPECT_EQ(closedReceipts(rig), 1);
    EXPECT_TRUE(rig.commands().join(QLatin1Char('\n')).contains(QStringLiteral("SECOND")));
    EXPECT_TRUE(rig.dravimoErrors().contains(QStringLiteral("Η θύρα ανοίγει ξανά: com1:9600").toUtf8()));
}

// Paper runs out before the payment, then the register falls silent: unattended,
// the wait ends within its limit with exit 4 and the job kept; the restart
// (paper loaded, the register back) prints the receipt once.
TEST(Service, AnErrorWaitNobodyEndsStopsTheRunWithinItsLimitAndTheRestartPrintsOnce)
{
    Rig rig;
    // The status question before the payment finds the paper out; the next
    // one, and every command after it, meets silence.
    ASSERT_TRUE(
        rig.startSimulator({QStringLiteral("on KXSTAT paper out"), QStringLiteral("on KXSTAT on KXSTAT silent")}));
    rig.writeSettings();
    // 60 s of program time: 6 s at the rig's pace.
    rig.setDravimoEnvironment(QStringLiteral("DRAVIMO_GIVE_UP_AFTER"), QStringLiteral("60"));
    ASSERT_TRUE(rig.startDravimo());
    QElapsedTimer took;
    took.start();
    rig.drop(QStringLiteral("print.1"), printFile({QStringLiteral("ITEM")}));
    EXPECT_EQ(rig.waitForDravimoExit(kJobTimeoutMs), 4) << rig.dravimoErrors().toStdString();
    // The limit and at most one more status question (28 s) past it.
    EXPECT_LT(took.elapsed(), 15000);
    EXPECT_TRUE(QFile::exists(rig.path(QStringLiteral("print.1"))));
    const QStringList errLines = rig.resultLines(QStringLiteral("r.txt")).filter(QStringLiteral("[KXSTAT]"));
    EXPECT_EQ(errLines.size(), 1) << errLines.join(QLatin1Char('\n')).toStdString();

    rig.control(QStringLiteral("reset"));
    ASSERT_TRUE(rig.startDravimo());
    ASSERT_TRUE(rig.waitGone(QStringLiteral("print.1"), kJobTimeoutMs)) << rig.dravimoErrors().toStdString();
    EXPECT_EQ(closedReceipts(rig), 1) << rig.dravimoErrors().toStdString()
                                      << rig.commands().join(QLatin1Char('\n')).toStdString()
                                      << rig.resultLines(QStringLiteral("r.txt")).join(QLatin1Char('\n')).toStdString();
}

// Settings that cannot work end the run at once with what is wrong, not as a
// register that never answered.
TEST(Service, UnusableSettingsEndTheRunSayingWhatIsWrong)
{
    struct Case
    {
        const char *name;
        QByteArray paramIni;
        QStringList arguments;
        int exitCode;
        QString says;
    };
    const QByteArray usable = "[port] com1\r\n[baud] 9600\r\n[file] print\r\n[multi type] true\r\n";
    const Case cases[] = {
        {"empty param.ini", QByteArray(), {}, 1, QStringLiteral("δεν ορίζει θύρα (γραμμή \"[port]\")")},
        {"binary param.ini",
         usable
             + QByteArray("\x7f"
                          "ELF\0\0\0",
                          7),
         {},
         1,
         QStringLiteral("byte NUL")},
        {"param.ini over 1 MB", usable + QByteArray(1100 * 1024, '#'), {}, 1, QStringLiteral("πολύ μεγάλο")},
        {"one-shot without :baud",
         QByteArray(),
         {QStringLiteral("com1,9600,print.1,0,mikro,0110000")},
         2,
         QStringLiteral("Πρόβλημα στο Set-Up τής Θύρας :com1")},
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(c.name);
        Rig rig;
        ASSERT_TRUE(rig.startSimulator());
        if (c.arguments.isEmpty()) {
            QFile ini(rig.path(QStringLiteral("param.ini")));
            ASSERT_TRUE(ini.open(QIODevice::WriteOnly));
            ini.write(c.paramIni);
        }
        ASSERT_TRUE(rig.startDravimo(c.arguments));
        EXPECT_EQ(rig.waitForDravimoExit(20000), c.exitCode);
        const QString errors = QString::fromUtf8(rig.dravimoErrors());
        EXPECT_TRUE(errors.contains(c.says)) << errors.toStdString();
        EXPECT_TRUE(rig.commands().isEmpty()) << rig.commands().join(QLatin1Char(' ')).toStdString();
    }
}

// systemctl stop in the middle of a job: the job is finished, the program
// ends with 0, and a restart has nothing to settle: each receipt once, none
// cancelled.
TEST(Service, AStopSignalFinishesTheJobUnderWayAndExitsCleanly)
{
    Rig rig;
    // Each reply a second late (0.1 s at the rig's pace), so the signal meets
    // the job in its first receipt.
    ASSERT_TRUE(rig.startSimulator({QStringLiteral("delay 1000")}));
    rig.writeSettings();
    ASSERT_TRUE(rig.startDravimo());
    ASSERT_TRUE(waitFor([&] { return rig.dravimoErrors().contains("Dravimo- Αναμονή"); }, kJobTimeoutMs));
    const qsizetype before = rig.commands().size();
    rig.drop(QStringLiteral("print.1"), printFile({QStringLiteral("ONE"), QStringLiteral("TWO")}));
    ASSERT_TRUE(waitFor([&] { return rig.commands().size() >= before + 3; }, kJobTimeoutMs));
    QElapsedTimer took;
    took.start();
    rig.terminateDravimo();
    EXPECT_EQ(rig.waitForDravimoExit(5000), 0) << rig.dravimoErrors().toStdString();
    EXPECT_LT(took.elapsed(), 5000);
    EXPECT_FALSE(QFile::exists(rig.path(QStringLiteral("print.1"))));

    ASSERT_TRUE(rig.startDravimo());
    ASSERT_TRUE(waitFor([&] { return rig.dravimoErrors().count("Dravimo- Αναμονή") >= 2; }, kJobTimeoutMs));
    rig.terminateDravimo();
    EXPECT_EQ(rig.waitForDravimoExit(5000), 0);
    EXPECT_EQ(closedReceipts(rig), 2);
    EXPECT_FALSE(rig.commands().contains(QStringLiteral("KX@215T0")));
}
