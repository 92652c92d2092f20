// The communication log end to end: the simulated register as a process on a
// pseudo-terminal, the real exchange over the serial link, and the debug
// window opened from the main window's menu with its file box ticked.
// "dravimoLog.txt" beside this executable is read back byte for byte; only
// the "mm:ss" stamps vary, and they must be a second of the test's own run.

#include "controller_fixture.h"

#include "core/commlog.h"
#include "core/files.h"
#include "core/resultfile.h"
#include "ecr/exchange.h"
#include "ecr/notices.h"
#include "ecr/transports.h"
#include "greek/cp1253.h"
#include "gui/commlogwindow.h"
#include "gui/mainwindow.h"

#include <QAction>
#include <QCheckBox>
#include <QCoreApplication>
#include <QFile>
#include <QPlainTextEdit>
#include <QPointer>
#include <QProcess>
#include <QProcessEnvironment>
#include <QSet>

using namespace dravimo;
using namespace dravimo::test;

namespace {

// The exchange's pauses and answer windows, and the simulator's card delay,
// run ten times faster: the whole walk takes a second or two.
constexpr double kTimeScale = 10;
const QByteArray kStampMark = "mm:ss";

// One command as a job would send it, and the log lines it must leave,
// each without its "mm:ss" stamp.
struct Traffic
{
    QByteArray command; // Windows-1253 bytes, as they go on the wire
    qint16 asyncWait = 0;
    qint16 result = 0;
    QString reply;
    QList<QByteArray> lines;
};

QByteArray sendLine(const QByteArray &command)
{
    return "       send:[" + command + "]";
}

QByteArray replyLine(const QByteArray &logForm)
{
    return "      reply: " + logForm;
}

const QByteArray kClosing = " -----------";
const QByteArray kEnd = "ASC(13) ASC(4) ";

class CommLogProcess : public ::testing::Test
{
protected:
    void SetUp() override
    {
#ifdef Q_OS_WIN
        GTEST_SKIP() << "the simulator's pseudo-terminal is POSIX only";
#endif
        logPath_ = log.filePath();
        QFile::remove(logPath_);
        ASSERT_FALSE(QFile::exists(logPath_)) << logPath_.toStdString();
        ASSERT_NO_FATAL_FAILURE(startSimulator());
        previousCom1_ = qgetenv("DRAVIMO_COM1");
        qputenv("DRAVIMO_COM1", device_.toLocal8Bit());
        exchange.setConnection(QStringLiteral("com1:9600"));
        results.setPath(errFile());
        view.strictBoxes = true;
        window.attach(form);
        window.show();
    }

    void TearDown() override
    {
        if (debugWindow())
            debugWindow()->close();
        exchange.close();
        if (previousCom1_.isEmpty())
            qunsetenv("DRAVIMO_COM1");
        else
            qputenv("DRAVIMO_COM1", previousCom1_);
        if (simulator_.state() != QProcess::NotRunning) {
            simulator_.kill();
            simulator_.waitForFinished(5000);
        }
        QFile::remove(logPath_);
    }

    void startSimulator()
    {
        const QString sim = QStringLiteral(DRAVIMO_BIN_DIR "/ecrsim");
        ASSERT_TRUE(QFile::exists(sim)) << sim.toStdString();
        QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
        env.insert(QStringLiteral("DRAVIMO_TIME_SCALE"), QString::number(kTimeScale));
        simulator_.setProcessEnvironment(env);
        simulator_.start(sim,
                         {QStringLiteral("--serial"), QStringLiteral("--set"), QStringLiteral("error 1091 KX999R1*"),
                          QStringLiteral("--set"), QStringLiteral("card 356")});
        ASSERT_TRUE(simulator_.waitForStarted(5000));
        ASSERT_TRUE(waitUntil([&] { return simulator_.canReadLine(); }));
        device_ = QString::fromLocal8Bit(simulator_.readLine()).trimmed();
        ASSERT_TRUE(device_.startsWith(QLatin1Char('/'))) << device_.toStdString();
    }

    void toggleFromMenu()
    {
        auto *entry = window.findChild<QAction *>(QStringLiteral("commLog"));
        ASSERT_NE(entry, nullptr);
        entry->trigger();
    }

    CommLogWindow *debugWindow() const
    {
        return qobject_cast<CommLogWindow *>(window.debugWindow());
    }

    void send(const Traffic &e)
    {
        const QString command = cp1253::decode(e.command);
        const CommandResult r = exchange.send(ecrcommand::raw(command), Quiet::No, Seconds{e.asyncWait});
        EXPECT_EQ(r.code, e.result) << e.command.constData();
        EXPECT_EQ(r.reply, e.reply) << e.command.constData();
    }

    std::string logBytes() const
    {
        return readFile(logPath_).toStdString();
    }

    // Every second the run has covered, as the log stamps it.
    QSet<QByteArray> stampsSince(const QDateTime &start) const
    {
        QSet<QByteArray> stamps;
        const QDateTime end = QDateTime::currentDateTime().addSecs(1);
        for (QDateTime t = start.addSecs(-1); t <= end; t = t.addSecs(1))
            stamps.insert(t.toString(QStringLiteral("mm:ss")).toLatin1());
        return stamps;
    }

    // The file with every stamp of the run replaced by "mm:ss"; anything
    // else (a missing stamp, a foreign one, a stray byte) stays to be seen.
    QByteArray withoutStamps(const QByteArray &file, const QSet<QByteArray> &stamps) const
    {
        QByteArray out;
        QList<QByteArray> lines = file.split('\n');
        const QByteArray last = lines.takeLast();
        for (const QByteArray &line : lines)
            out += (stamps.contains(line.left(5)) ? kStampMark + line.mid(5) : line) + '\n';
        return out + last;
    }

    static QByteArray expected(const QList<Traffic> &exchanges)
    {
        QByteArray out;
        for (const Traffic &e : exchanges) {
            for (const QByteArray &line : e.lines)
                out += kStampMark + line + "\r\n";
        }
        return out;
    }

    QString errFile() const
    {
        return folder.path(QStringLiteral("Result"));
    }

    ScaledClock clock{kTimeScale};
    ScratchFolder folder;
    CommLog log;
    MainWindow window{clock, log};
    // What the exchange shows goes to a recording window.
    RecordingWindow view;
    ExchangeNotices notices{view};
    ResultFile results;
    Exchange exchange{clock, notices, log, results, NumberFormat(QLatin1Char('.')), [this](const QString &connection) {
                          return openTransport(connection, clock);
                      }};
    ProgressIndicator progress{window};
    Controller form{window, clock, exchange, progress, {}};
    QProcess simulator_;
    QString device_;
    QString logPath_;
    QByteArray previousCom1_;
};

TEST_F(CommLogProcess, TickedWindowLogsEveryExchangeAndAClosedOneNothing)
{
    const QByteArray cl = "CL:0:0";
    // The register's own letters for "ΓΕΙΑ ΦΙΛΟΙ": bytes above 127 must land
    // in the file as the same single bytes.
    const QByteArray greeting = "KXCO \x85"
                                "EIA \x8B"
                                "I\x88"
                                "OI";
    const QList<Traffic> logged = {
        {"KXCL",
         0,
         0,
         QString::fromLatin1(cl),
         {sendLine("KXCL"), replyLine(cl + kEnd), replyLine(cl + kEnd), kClosing}},
        {greeting,
         0,
         0,
         QStringLiteral("OK"),
         {sendLine(greeting), replyLine("OK" + kEnd), replyLine("OK" + kEnd), kClosing}},
        // Refused: no asynchronous wait, the code is handed back and the
        // clearing "KXCL" that follows leaves no line of its own.
        {"KX999R1", 0, 1091, QStringLiteral("1091"), {sendLine("KX999R1"), replyLine("DE1091"), kClosing}},
        {"KX150R1",
         0,
         0,
         QStringLiteral("OK"),
         {sendLine("KX150R1"), replyLine("OK" + kEnd), replyLine("OK" + kEnd), kClosing}},
        // A card payment: the terminal's outcome replaces the first reply.
        {"KXT3P1",
         200,
         0,
         QStringLiteral("356OK"),
         {sendLine("KXT3P1"), replyLine("OK" + kEnd), "reply async: 356OK" + kEnd, replyLine("356OK" + kEnd),
          kClosing}},
    };
    view.expectedBoxes = 1; // "Λάθος : 1091" of the refused sale

    toggleFromMenu();
    QPointer<CommLogWindow> debug = debugWindow();
    ASSERT_FALSE(debug.isNull());
    EXPECT_TRUE(log.isOpen());
    debug->fileBox->click();
    ASSERT_TRUE(debug->fileBox->isChecked());

    const QDateTime start = QDateTime::currentDateTime();
    for (const Traffic &e : logged)
        send(e);
    const QByteArray file = readFile(logPath_);
    EXPECT_EQ(withoutStamps(file, stampsSince(start)).toStdString(), expected(logged).toStdString());
    // The window shows the same lines, each after a line break of its own.
    const QString shown = QLatin1Char('\n') + cp1253::decode(file).remove(QLatin1Char('\r')).chopped(1);
    EXPECT_EQ(debug->lines->toPlainText(), shown);
    const QString err = readTextFile(errFile()).value_or(QString());
    EXPECT_TRUE(err.startsWith(QStringLiteral("Err = 1091, [KX999R1] DateTime = "))) << err.toStdString();
    EXPECT_EQ(err.count(QStringLiteral("\r\n")), 1);

    // Closed from the menu: nothing more reaches the file.
    toggleFromMenu();
    EXPECT_FALSE(log.isOpen());
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    EXPECT_TRUE(debug.isNull());
    send({"KXCL", 0, 0, QStringLiteral("CL:0:1"), {}});
    EXPECT_EQ(logBytes(), file.toStdString());

    // Opened again, the window starts empty and unticked: it shows the
    // traffic, the file stays as it was.
    toggleFromMenu();
    debug = debugWindow();
    ASSERT_FALSE(debug.isNull());
    EXPECT_FALSE(debug->fileBox->isChecked());
    send({"KXCL", 0, 0, QStringLiteral("CL:0:1"), {}});
    const QStringList lines = debug->lines->toPlainText().split(QLatin1Char('\n'));
    QStringList tails;
    for (const QString &line : lines)
        tails.append(line.mid(5));
    EXPECT_EQ(tails,
              (QStringList{QString(), QStringLiteral("       send:[KXCL]"),
                           QStringLiteral("      reply: CL:0:1ASC(13) ASC(4) "),
                           QStringLiteral("      reply: CL:0:1ASC(13) ASC(4) "), QString::fromLatin1(kClosing)}));
    EXPECT_EQ(logBytes(), file.toStdString());

    // Ticked and closed with its own close button: still nothing.
    debug->fileBox->click();
    debug->close();
    EXPECT_FALSE(log.isOpen());
    EXPECT_FALSE(window.findChild<QAction *>(QStringLiteral("commLog"))->isChecked());
    send({"KXCL", 0, 0, QStringLiteral("CL:0:1"), {}});
    EXPECT_EQ(logBytes(), file.toStdString());
}

} // namespace
