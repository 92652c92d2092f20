// ecrsim: a fiscal register on a pseudo-terminal, a UDP port or a serial
// device, for running Dravimo without a register. docs/ecrsim.md describes
// the options, the scenario language and the control channel.
#include "sim/controlserver.h"
#include "sim/deviceport.h"
#include "sim/simulator.h"
#include "sim/udpport.h"
#ifdef Q_OS_UNIX
#include "sim/ptyport.h"
#endif

#include "core/clock.h"
#include "greek/cp1253.h"

#include <QCommandLineParser>
#include <QCoreApplication>
#include <QFile>

#include <cstdio>
#include <memory>

using namespace dravimo;
using namespace dravimo::sim;

namespace {

void out(const QString &line)
{
    const QByteArray bytes = line.toUtf8() + '\n';
    std::fwrite(bytes.constData(), 1, size_t(bytes.size()), stdout);
    std::fflush(stdout);
}

int fail(const QString &message)
{
    const QByteArray bytes = (QStringLiteral("ecrsim: ") + message).toUtf8() + '\n';
    std::fwrite(bytes.constData(), 1, size_t(bytes.size()), stderr);
    return 2;
}

void addOptions(QCommandLineParser &p)
{
    p.setApplicationDescription(QStringLiteral("A simulated Greek fiscal register for Dravimo."));
    p.addHelpOption();
    p.addOptions({
        {QStringLiteral("serial"), QStringLiteral("Open a pseudo-terminal and print its device path.")},
        {QStringLiteral("udp"), QStringLiteral("Answer datagrams on ADDR:PORT."), QStringLiteral("ADDR:PORT")},
        {QStringLiteral("port"), QStringLiteral("Use an existing serial device."), QStringLiteral("DEVICE[:BAUD]")},
        {QStringLiteral("scenario"), QStringLiteral("Run a scenario file at start (repeatable)."),
         QStringLiteral("FILE")},
        {QStringLiteral("set"), QStringLiteral("Run one scenario line at start (repeatable)."), QStringLiteral("LINE")},
        {QStringLiteral("roll"), QStringLiteral("Append the paper roll to FILE."), QStringLiteral("FILE")},
        {QStringLiteral("roll-encoding"), QStringLiteral("utf-8 (default) or cp1253."), QStringLiteral("NAME")},
        {QStringLiteral("print-roll"), QStringLiteral("Also print the paper roll on standard output.")},
        {QStringLiteral("trace"), QStringLiteral("Append every command and reply to FILE."), QStringLiteral("FILE")},
        {QStringLiteral("control"), QStringLiteral("Take control lines on the local socket NAME."),
         QStringLiteral("NAME")},
        {QStringLiteral("send"), QStringLiteral("Send the LINE arguments to the simulator listening on NAME and exit."),
         QStringLiteral("NAME")},
    });
    p.addPositionalArgument(QStringLiteral("LINE"), QStringLiteral("With --send: control lines to send."));
}

int runSend(const QCommandLineParser &p)
{
    QStringList answers;
    QString error;
    if (!sendControlLines(p.value(QStringLiteral("send")), p.positionalArguments(), answers, &error))
        return fail(error);
    bool allOk = true;
    for (const QString &answer : answers) {
        out(answer);
        allOk = allOk && !answer.startsWith(QLatin1String("error"));
    }
    return allOk ? 0 : 1;
}

bool setupRoll(const QCommandLineParser &p, EcrSimulator &sim, QString *error)
{
    if (p.isSet(QStringLiteral("roll"))) {
        auto file = std::make_shared<QFile>(p.value(QStringLiteral("roll")));
        if (!file->open(QIODevice::WriteOnly | QIODevice::Append)) {
            *error = QStringLiteral("roll file: ") + file->errorString();
            return false;
        }
        // UTF-8 by default: the roll is for people reading it on this machine.
        const bool cp = p.value(QStringLiteral("roll-encoding")).toLower() == QLatin1String("cp1253");
        sim.roll().addSink([file, cp](const QString &line) {
            file->write(cp ? cp1253::encode(line + QStringLiteral("\r\n")) : (line + QLatin1Char('\n')).toUtf8());
            file->flush();
        });
    }
    if (p.isSet(QStringLiteral("print-roll")))
        sim.roll().addSink([](const QString &line) { out(line); });
    if (p.isSet(QStringLiteral("trace")) && !sim.trace().setFile(p.value(QStringLiteral("trace")))) {
        *error = QStringLiteral("cannot open the trace file");
        return false;
    }
    return true;
}

bool runScenario(const QCommandLineParser &p, EcrSimulator &sim, QString *error)
{
    for (const QString &path : p.values(QStringLiteral("scenario"))) {
        if (!sim.loadScenario(path, error))
            return false;
    }
    for (const QString &line : p.values(QStringLiteral("set"))) {
        const QString result = sim.control(line);
        if (result.startsWith(QLatin1String("error"))) {
            *error = QStringLiteral("--set %1: %2").arg(line, result);
            return false;
        }
    }
    return true;
}

// Opens the line and prints where it is: the first line of standard output.
bool startTransport(const QCommandLineParser &p, EcrSimulator &sim, QString *error)
{
    const int lines = int(p.isSet(QStringLiteral("serial"))) + int(p.isSet(QStringLiteral("udp")))
        + int(p.isSet(QStringLiteral("port")));
    if (lines > 1) {
        *error = QStringLiteral("one line at a time: --serial, --udp or --port");
        return false;
    }
    if (p.isSet(QStringLiteral("udp"))) {
        QHostAddress address;
        quint16 port = 0;
        if (!parseHostPort(p.value(QStringLiteral("udp")), address, port)) {
            *error = QStringLiteral("--udp wants ADDR:PORT");
            return false;
        }
        auto *udp = new UdpPort(sim, &sim);
        if (!udp->open(address, port, error))
            return false;
        out(QStringLiteral("%1:%2").arg(udp->address().toString()).arg(udp->port()));
        return true;
    }
    if (p.isSet(QStringLiteral("port"))) {
        auto *device = new DevicePort(sim, &sim);
        if (!device->open(p.value(QStringLiteral("port")), error))
            return false;
        out(p.value(QStringLiteral("port")));
        return true;
    }
#ifdef Q_OS_UNIX
    auto *pty = new PtyPort(sim, &sim);
    if (!pty->open(error))
        return false;
    out(pty->devicePath());
    return true;
#else
    *error = QStringLiteral("no pseudo-terminals here: use --port or --udp");
    return false;
#endif
}

// The end-to-end tests run the program on a faster clock; the register's
// delays (late replies, the card terminal) must run on the same one.
double timeScale()
{
    bool ok = false;
    const double scale = qEnvironmentVariable("DRAVIMO_TIME_SCALE").toDouble(&ok);
    return ok && scale > 0 ? scale : 1.0;
}

} // namespace

int main(int argc, char **argv)
{
    QCoreApplication app(argc, argv);
    QCoreApplication::setApplicationName(QStringLiteral("ecrsim"));
    QCommandLineParser parser;
    addOptions(parser);
    parser.process(app);
    if (parser.isSet(QStringLiteral("send")))
        return runSend(parser);
    ScaledClock clock(timeScale());
    EcrSimulator sim(clock);
    QObject::connect(&sim, &EcrSimulator::quitRequested, &app, &QCoreApplication::quit, Qt::QueuedConnection);
    QString error;
    if (!setupRoll(parser, sim, &error) || !runScenario(parser, sim, &error))
        return fail(error);
    if (parser.isSet(QStringLiteral("control"))) {
        auto *control = new ControlServer(sim, &sim);
        if (!control->listen(parser.value(QStringLiteral("control")), &error))
            return fail(QStringLiteral("control socket: ") + error);
    }
    if (!startTransport(parser, sim, &error))
        return fail(error);
    return app.exec();
}
