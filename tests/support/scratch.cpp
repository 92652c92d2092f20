#include "scratch.h"

#include <QCoreApplication>
#include <QDeadlineTimer>
#include <QFile>
#include <QThread>

#include <gtest/gtest.h>

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

} // namespace dravimo::test
