#include "scratch.h"

#include <QCoreApplication>
#include <QDeadlineTimer>
#include <QFile>
#include <QThread>

#include <gtest/gtest.h>

#ifdef Q_OS_UNIX
#include <sys/wait.h>
#include <unistd.h>
#endif

namespace dravimo::test {

void writeFile(const QString &name, const QByteArray &bytes)
{
    QFile f(name);
    ASSERT_TRUE(f.open(QIODevice::WriteOnly | QIODevice::Truncate)) << name.toStdString();
    f.write(bytes);
}

QByteArray readFile(const QString &name)
{
    QFile f(name);
    if (!f.open(QIODevice::ReadOnly))
        return {};
    return f.readAll();
}

void writeParamIni(const QStringList &lines)
{
    writeFile(QStringLiteral("param.ini"), (lines.join(QStringLiteral("\r\n")) + QStringLiteral("\r\n")).toLatin1());
}

bool waitUntil(const std::function<bool()> &condition, int realMs)
{
    QDeadlineTimer deadline(realMs);
    while (!condition()) {
        if (deadline.hasExpired())
            return false;
        QCoreApplication::processEvents(QEventLoop::AllEvents, 5);
        QThread::msleep(1);
    }
    return true;
}

bool asUnprivilegedUser(const std::function<bool()> &check)
{
#ifdef Q_OS_UNIX
    if (::geteuid() != 0)
        return check();
    const pid_t child = ::fork();
    if (child < 0)
        return false;
    if (child == 0) {
        const bool dropped = ::setgid(65534) == 0 && ::setuid(65534) == 0;
        ::_exit(dropped && check() ? 0 : 1);
    }
    int status = 0;
    return ::waitpid(child, &status, 0) == child && WIFEXITED(status) && WEXITSTATUS(status) == 0;
#else
    return check();
#endif
}

} // namespace dravimo::test
