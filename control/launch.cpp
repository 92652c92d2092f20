#include "control/launch.h"

#include "core/files.h"

#include <QDir>
#include <QFileInfo>
#include <QProcess>

namespace dravimo {

int startBatch(const QString &name)
{
    const QString path = QDir::current().absoluteFilePath(name);
    if (!QFileInfo(path).isFile())
        return kFileNotFound;
    QProcess process;
    process.setWorkingDirectory(QDir::currentPath());
#ifdef Q_OS_WIN
    // Platform-specific: the command interpreter runs the batch file; the
    // minimised window is the interpreter's own "start /min".
    process.setProgram(QStringLiteral("cmd.exe"));
    process.setNativeArguments(QStringLiteral("/c start \"\" /min \"") + QDir::toNativeSeparators(path)
                               + QLatin1Char('"'));
#else
    // Platform-specific: the host's batch file is a shell script here.
    process.setProgram(QStringLiteral("/bin/sh"));
    process.setArguments({path});
#endif
    return process.startDetached() ? 0 : kPermissionDenied;
}

bool openHelpText(const QString &name)
{
#ifdef Q_OS_WIN
    return QProcess::startDetached(QStringLiteral("notepad"), {name}, QDir::currentPath());
#else
    const QString path = QDir::current().absoluteFilePath(name);
    return QProcess::startDetached(QStringLiteral("xdg-open"), {path}, QDir::currentPath());
#endif
}

QStringList errorListLines(int number, const QString &fileName)
{
    QStringList matching;
    const auto text = readTextFile(fileName);
    if (!text)
        return matching;
    for (const QString &line : splitLines(*text)) {
        bool ok = false;
        const int lineNumber = line.mid(1, 2).toInt(&ok);
        if (ok && lineNumber == number)
            matching.append(line);
    }
    return matching;
}

} // namespace dravimo
