#include "rig.h"

#include "core/files.h"
#include "greek/cp1253.h"

#include <QDeadlineTimer>
#include <QDir>
#include <QFile>
#include <QProcessEnvironment>
#include <QRegularExpression>
#include <QThread>

#include <cstdio>

namespace dravimo::test {
namespace {

const char *kTimeScale = "10";

QString binary(const char *name)
{
    return QStringLiteral(DRAVIMO_BIN_DIR "/") + QLatin1String(name);
}

QProcessEnvironment environment()
{
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert(QStringLiteral("DRAVIMO_TIME_SCALE"), QLatin1String(kTimeScale));
    env.insert(QStringLiteral("DRAVIMO_UNATTENDED"), QStringLiteral("1"));
    return env;
}

void stop(QProcess &p)
{
    if (p.state() == QProcess::NotRunning)
        return;
    p.terminate();
    if (!p.waitForFinished(3000)) {
        p.kill();
        p.waitForFinished(3000);
    }
}

} // namespace

Rig::Rig() = default;

Rig::~Rig()
{
    stop(dravimo_);
    stop(simulator_);
}

bool Rig::startSimulator(const QStringList &scenario)
{
    QStringList args = {QStringLiteral("--serial"),     QStringLiteral("--trace"),        path(trace_),
                        QStringLiteral("--roll"),       path(QStringLiteral("roll.txt")), QStringLiteral("--control"),
                        path(QStringLiteral("ecr.ctl"))};
    for (const QString &line : scenario)
        args << QStringLiteral("--set") << line;
    simulator_.setProcessEnvironment(environment());
    simulator_.start(binary("ecrsim"), args);
    QDeadlineTimer deadline(5000);
    while (!simulator_.canReadLine() && !deadline.hasExpired())
        simulator_.waitForReadyRead(100);
    device_ = QString::fromUtf8(simulator_.readLine()).trimmed();
    return device_.startsWith(QLatin1Char('/'));
}

bool Rig::replaceSimulator()
{
    stop(simulator_);
    QFile::remove(path(QStringLiteral("ecr.ctl")));
    trace_ = QStringLiteral("trace2.txt");
    if (!startSimulator())
        return false;
    if (linkPath_.isEmpty())
        return true;
    // Re-pointed in one step: a rename over the old link.
    const QString fresh = linkPath_ + QStringLiteral(".new");
    QFile::remove(fresh);
    return QFile::link(device_, fresh)
        && std::rename(fresh.toLocal8Bit().constData(), linkPath_.toLocal8Bit().constData()) == 0;
}

void Rig::linkDevice()
{
    linkPath_ = path(QStringLiteral("ecr-device"));
    QFile::remove(linkPath_);
    QFile::link(device_, linkPath_);
}

QString Rig::control(const QString &line) const
{
    QProcess send;
    send.start(binary("ecrsim"), {QStringLiteral("--send"), path(QStringLiteral("ecr.ctl")), line});
    send.waitForFinished(10000);
    return QString::fromUtf8(send.readAllStandardOutput());
}

void Rig::writeSettings(const QString &printCode)
{
    const QStringList lines = {
        QStringLiteral("[port] com1"),
        QStringLiteral("[baud] 9600"),
        QStringLiteral("[file] print"),
        QStringLiteral("[ecrt] mikro"),
        QStringLiteral("[multi type] true"),
        QStringLiteral("[print_desc] true"),
        QStringLiteral("[print_code] ") + printCode,
        QStringLiteral("[comments] true"),
        QStringLiteral("[currency]=0"),
        QStringLiteral("[keyb_off]=false"),
        QStringLiteral("[dir_depa]=false"),
        QStringLiteral("[quantity]=false"),
        QStringLiteral("[AutoStar]=yes"),
        QStringLiteral("[location] ") + folder() + QLatin1Char('/'),
    };
    writeTextFile(path(QStringLiteral("param.ini")), lines.join(QStringLiteral("\r\n")) + QStringLiteral("\r\n"));
    writeVatRates();
}

void Rig::writeVatRates()
{
    QFile::copy(QStringLiteral(DRAVIMO_SOURCE_DIR "/demo/vats.dat"), path(QStringLiteral("vats.dat")));
}

bool Rig::startDravimo(const QStringList &arguments)
{
    QProcessEnvironment env = environment();
    env.insert(QStringLiteral("DRAVIMO_COM1"), linkPath_.isEmpty() ? device_ : linkPath_);
    for (const QString &name : extraEnv_.keys())
        env.insert(name, extraEnv_.value(name));
    dravimo_.setProcessEnvironment(env);
    dravimo_.setWorkingDirectory(folder());
    dravimo_.start(binary("dravimo"), arguments);
    return dravimo_.waitForStarted(5000);
}

int Rig::waitForDravimoExit(int ms)
{
    if (!dravimo_.waitForFinished(ms))
        return -1;
    return dravimo_.exitStatus() == QProcess::NormalExit ? dravimo_.exitCode() : -1;
}

QByteArray Rig::dravimoErrors()
{
    // QProcess only collects its pipes while somebody waits on it.
    while (dravimo_.state() == QProcess::Running && dravimo_.waitForReadyRead(300)) {
    }
    errors_ += dravimo_.readAllStandardError();
    return errors_;
}

void Rig::drop(const QString &name, const QString &text)
{
    const QString aside = path(name + QStringLiteral(".part"));
    writeTextFile(aside, text);
    QFile::rename(aside, path(name));
}

bool Rig::waitForText(const QString &name, const QString &text, int ms) const
{
    QDeadlineTimer deadline(ms);
    while (readTextFile(path(name)) != text) {
        if (deadline.hasExpired())
            return false;
        QThread::msleep(20);
    }
    return true;
}

bool Rig::waitGone(const QString &name, int ms) const
{
    QDeadlineTimer deadline(ms);
    while (QFile::exists(path(name))) {
        if (deadline.hasExpired())
            return false;
        QThread::msleep(50);
    }
    return true;
}

QStringList Rig::commands() const
{
    QFile f(path(trace_));
    if (!f.open(QIODevice::ReadOnly))
        return {};
    static const QRegularExpression cmd(QStringLiteral("^\\S+\\s+\\d+ ms  cmd    (.*)$"));
    QStringList out;
    for (const QString &line : QString::fromUtf8(f.readAll()).split(QLatin1Char('\n'))) {
        const auto m = cmd.match(line);
        if (m.hasMatch())
            out << m.captured(1);
    }
    return out;
}

QString Rig::roll() const
{
    QFile f(path(QStringLiteral("roll.txt")));
    return f.open(QIODevice::ReadOnly) ? QString::fromUtf8(f.readAll()) : QString();
}

QStringList Rig::resultLines(const QString &name) const
{
    static const QRegularExpression date(QStringLiteral("\\d\\d/\\d\\d/\\d{4} \\d\\d:\\d\\d:\\d\\d"));
    QStringList lines = splitLines(readTextFile(path(name)).value_or(QString()));
    for (QString &l : lines)
        l.replace(date, QStringLiteral("<date>"));
    return lines;
}

QString Rig::traced(const QString &command)
{
    QString out;
    for (char byte : cp1253::encode(command)) {
        const auto b = static_cast<unsigned char>(byte);
        const QChar c = cp1253::fromByte(b);
        if (b < 0x20 || (c.unicode() >= 0x80 && c.unicode() <= 0x9F))
            out += QStringLiteral("<%1>").arg(b, 2, 16, QLatin1Char('0'));
        else
            out += c;
    }
    return out;
}

} // namespace dravimo::test
