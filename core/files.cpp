#include "core/files.h"

#include "greek/cp1253.h"

#include <QFile>
#include <QFileInfo>
#include <QSaveFile>

#ifndef Q_OS_WIN
#include <fcntl.h>
#include <unistd.h>
#endif

namespace dravimo {

bool syncFolder(const QString &folder)
{
#ifdef Q_OS_WIN
    // Platform-specific: NTFS journals its folder changes; a rename or a
    // deletion that returned is already durable.
    Q_UNUSED(folder);
    return true;
#else
    const int fd = ::open(QFile::encodeName(folder).constData(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (fd < 0)
        return false;
    const bool ok = ::fsync(fd) == 0;
    ::close(fd);
    return ok;
#endif
}

bool appendLine(const QString &fileName, const QString &line, QString *error)
{
    if (fileName.isEmpty())
        return true;
    QFile f(fileName);
    const QByteArray bytes = cp1253::encode(line) + QByteArrayLiteral("\r\n");
    if (f.open(QIODevice::WriteOnly | QIODevice::Append) && f.write(bytes) == bytes.size() && f.flush())
        return true;
    if (error)
        *error = f.errorString();
    return false;
}

void removeFile(const QString &fileName)
{
    if (!fileName.isEmpty())
        QFile::remove(fileName);
}

bool removeFileDurably(const QString &fileName)
{
    const QFileInfo info(fileName);
    if (info.exists() || info.isSymLink()) {
        if (!QFile::remove(fileName))
            return false;
    }
    return syncFolder(info.absolutePath());
}

std::optional<QString> readTextFile(const QString &fileName)
{
    QFile f(fileName);
    if (!f.open(QIODevice::ReadOnly))
        return std::nullopt;
    return cp1253::decode(f.readAll());
}

QStringList splitLines(const QString &text)
{
    QStringList lines;
    QString current;
    bool pending = false;
    for (qsizetype i = 0; i < text.size(); ++i) {
        const QChar c = text.at(i);
        if (c == QLatin1Char('\r') || c == QLatin1Char('\n')) {
            lines.append(current);
            current.clear();
            pending = false;
            if (c == QLatin1Char('\r') && i + 1 < text.size() && text.at(i + 1) == QLatin1Char('\n'))
                ++i;
            continue;
        }
        current.append(c);
        pending = true;
    }
    if (pending)
        lines.append(current);
    return lines;
}

bool writeTextFile(const QString &fileName, const QString &text)
{
    QFile f(fileName);
    if (!f.open(QIODevice::WriteOnly | QIODevice::Truncate))
        return false;
    const QByteArray bytes = cp1253::encode(text);
    return f.write(bytes) == bytes.size();
}

bool saveFileSafely(const QString &fileName, const QByteArray &bytes)
{
    const QFileInfo info(fileName);
    if (info.exists() && !info.isWritable())
        return false;
    QSaveFile f(fileName);
    // A folder Dravimo may not create files in, holding a file it may write:
    // writing in place is the only way left.
    f.setDirectWriteFallback(true);
    if (!f.open(QIODevice::WriteOnly) || f.write(bytes) != bytes.size())
        return false;
    return f.commit();
}

} // namespace dravimo
