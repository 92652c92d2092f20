// The program as a process against the simulated register on a
// pseudo-terminal, unattended: the one-shot run, and a burst of print files
// in multi-file mode.

#include "controller_fixture.h"

#include "control/exitcodes.h"
#include "control/statustexts.h"

#include <QFile>
#include <QProcess>
#include <QProcessEnvironment>
#include <QRegularExpression>

using namespace dravimo;
using namespace dravimo::test;

namespace {

class ProcessRun : public ::testing::Test
{
protected:
    void SetUp() override
    {
        // The build puts the program and the simulator in one folder; the
        // test depends on both, so their absence is a failure, not a skip.
        const QString bin = QStringLiteral(DRAVIMO_BIN_DIR);
        program_ = bin + QStringLiteral("/dravimo");
        const QString sim = bin + QStringLiteral("/ecrsim");
        ASSERT_TRUE(QFile::exists(program_) && QFile::exists(sim)) << bin.toStdString();
        simulator_.start(
            sim,
            QStringList{QStringLiteral("--serial"), QStringLiteral("--trace"), folder.path(QStringLiteral("trace.txt"))}
                + simulatorScenario);
        ASSERT_TRUE(simulator_.waitForStarted(5000));
        ASSERT_TRUE(waitUntil([&] { return simulator_.canReadLine(); }));
        device_ = QString::fromLocal8Bit(simulator_.readLine()).trimmed();
        ASSERT_TRUE(device_.startsWith(QStringLiteral("/dev/"))) << device_.toStdString();
        // Sale categories 13 % and 24 % as the sample receipts use them.
        writeFile(QStringLiteral("vats.dat"),
                  QByteArray::fromHex("0000000000001840"
                                      "0000000000002a40"
                                      "0000000000003840"
                                      "0000000000000000"
                                      "0000000000000000"));
    }

    void TearDown() override
    {
        if (program.state() != QProcess::NotRunning) {
            program.kill();
            program.waitForFinished(5000);
        }
        simulator_.kill();
        simulator_.waitForFinished(5000);
    }

    void startProgram(const QStringList &arguments, const QString &timeScale = QStringLiteral("1"))
    {
        QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
        env.insert(QStringLiteral("DRAVIMO_UNATTENDED"), QStringLiteral("1"));
        env.insert(QStringLiteral("DRAVIMO_COM1"), device_);
        env.insert(QStringLiteral("DRAVIMO_TIME_SCALE"), timeScale);
        env.remove(QStringLiteral("DISPLAY"));
        program.setProcessEnvironment(env);
        program.setWorkingDirectory(folder.path(QString()));
        program.start(program_, arguments);
        ASSERT_TRUE(program.waitForStarted(5000));
    }

    // The commands the register received, in order.
    QStringList received() const
    {
        static const QRegularExpression command(QStringLiteral("\\bcmd\\s+(\\S.*)$"));
        QStringList out;
        for (const QString &line : QString::fromUtf8(readFile(QStringLiteral("trace.txt"))).split(QLatin1Char('\n'))) {
            const auto m = command.match(line);
            if (m.hasMatch())
                out.append(m.captured(1).trimmed());
        }
        return out;
    }

    // A receipt of one sale line at 24 %, its fields in their fixed columns.
    static QByteArray receipt(const char *tag, const char *resFile, const char *item)
    {
        QByteArray sale(76, ' ');
        auto put = [&sale](int column, const QByteArray &text) { sale.replace(column - 1, text.size(), text); };
        put(2, "PLU");
        put(6, "0001");
        put(20, item);
        put(48, "1");
        put(57, "1.00");
        put(69, "24");
        return QByteArray(" resFile:  ") + resFile + "\r\n tag:  " + tag + "\r\n" + sale
            + "\r\n tot   1       1.00\r\n";
    }

    ScratchFolder folder;
    QProcess program;
    // Extra ecrsim options, set before SetUp.
    QStringList simulatorScenario;

private:
    QProcess simulator_;
    QString program_;
    QString device_;
};

TEST_F(ProcessRun, OneShotRunPrintsItsFileOnceAndEnds)
{
    writeFile(QStringLiteral("job.prn"), receipt("T-1", "result.txt", "SOUP"));
    startProgram({QStringLiteral("com1:9600"), QStringLiteral("9600"), QStringLiteral("job.prn"), QStringLiteral("0"),
                  QStringLiteral("mikro"), QStringLiteral("0100000")});
    ASSERT_TRUE(program.waitForFinished(20000));
    EXPECT_EQ(program.exitStatus(), QProcess::NormalExit);
    const QString errors = QString::fromLocal8Bit(program.readAllStandardError());
    EXPECT_EQ(program.exitCode(), 0) << errors.toStdString();
    EXPECT_FALSE(QFile::exists(QStringLiteral("job.prn")));
    const QStringList commands = received();
    EXPECT_EQ(commands.filter(QStringLiteral("SOUP")).size(), 1)
        << commands.join(QLatin1Char('|')).toStdString() << "\n"
        << errors.toStdString();
    const QString result = QString::fromLatin1(readFile(QStringLiteral("result.txt")));
    EXPECT_EQ(result.count(QStringLiteral("tag = T-1\r\n")), 1);
    EXPECT_EQ(result.count(QStringLiteral("exitcode = 0\r\n")), 1);
}

TEST_F(ProcessRun, BurstOfPrintFilesIsPrintedOnceEachInOrder)
{
    writeParamIni({QStringLiteral("[port] com1"), QStringLiteral("[baud] 9600"), QStringLiteral("[file] print"),
                   QStringLiteral("[ecrt] mikro"), QStringLiteral("[multi type] true"),
                   QStringLiteral("[print_desc] true"), QStringLiteral("[AUTOSTAR]=YES")});
    const char *items[] = {"FIRST", "SECOND", "THIRD"};
    for (int n = 0; n < 3; ++n) {
        const QByteArray resFile = "result" + QByteArray::number(n + 1) + ".txt";
        writeFile(QStringLiteral("print.%1").arg(n + 1), receipt("T", resFile.constData(), items[n]));
    }
    startProgram({}, QStringLiteral("10"));
    EXPECT_TRUE(waitUntil([] { return !QFile::exists(QStringLiteral("print.3")); }, 60000));
    EXPECT_TRUE(waitUntil([] { return readFile(QStringLiteral("receipt.txt")) == "3\r\n"; }, 5000));
    const QStringList sales = received().filter(QRegularExpression(QStringLiteral("FIRST|SECOND|THIRD")));
    ASSERT_EQ(sales.size(), 3) << received().join(QLatin1Char('|')).toStdString();
    for (int n = 0; n < 3; ++n) {
        EXPECT_TRUE(sales[n].contains(QLatin1String(items[n])));
        const QString result = QString::fromLatin1(readFile(QStringLiteral("result%1.txt").arg(n + 1)));
        EXPECT_EQ(result.count(QStringLiteral("exitcode = 0\r\n")), 1) << n;
    }
}

// A service started before its register is switched on: unattended, the
// given-up ECR check ends the process with its own exit code (the service
// manager starts it again), and the journal has seen why.
class SilentRegisterRun : public ProcessRun
{
protected:
    SilentRegisterRun() { simulatorScenario = {QStringLiteral("--set"), QStringLiteral("silent")}; }
};

TEST_F(SilentRegisterRun, UnattendedRunEndsWithItsOwnExitCodeOnceTheCheckGivesUp)
{
    writeParamIni({QStringLiteral("[port] com1"), QStringLiteral("[baud] 9600"), QStringLiteral("[file] print"),
                   QStringLiteral("[ecrt] mikro"), QStringLiteral("[multi type] true")});
    // Three attempts of four 7-second sends each: under two seconds at 50x.
    startProgram({}, QStringLiteral("50"));
    ASSERT_TRUE(program.waitForFinished(30000));
    const QString errors = QString::fromLocal8Bit(program.readAllStandardError());
    EXPECT_EQ(program.exitStatus(), QProcess::NormalExit);
    EXPECT_EQ(program.exitCode(), exitcode::kEcrNotFound) << errors.toStdString();
    const QStringList lines = errors.split(QLatin1Char('\n'), Qt::SkipEmptyParts);
    // Each change once, in order; three failed attempts between them.
    const QStringList changes = lines.filter(QRegularExpression(QStringLiteral("^(status|caption): ")));
    EXPECT_EQ(changes,
              (QStringList{QStringLiteral("caption: ") + texts::kSearchingCaption,
                           QStringLiteral("status: ") + texts::kSearchingStatus,
                           QStringLiteral("status: ") + texts::kOffLineStatus,
                           QStringLiteral("caption: ") + texts::kGivenUpCaption}))
        << errors.toStdString();
    EXPECT_EQ(lines.filter(texts::kSearchFailed).size(), 3) << errors.toStdString();
}

} // namespace
