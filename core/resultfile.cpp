#include "core/resultfile.h"

#include "core/files.h"
#include "greek/cp1253.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>

#ifdef Q_OS_WIN
#include <io.h>
#else
#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>
#endif

namespace dravimo {
namespace {

// A name as it is on disk: symbolic links and "..", resolved; a file that
// does not exist yet by its resolved folder.
QString resolved(const QString &path)
{
    const QFileInfo info(path);
    if (info.exists())
        return info.canonicalFilePath();
    const QString folder = info.absoluteDir().canonicalPath();
    return folder.isEmpty() ? info.absoluteFilePath() : folder + QLatin1Char('/') + info.fileName();
}

#ifndef Q_OS_WIN
QString systemError()
{
    return QString::fromLocal8Bit(std::strerror(errno));
}

// Platform-specific: the file is opened without blocking (a FIFO with no
// reader fails at once instead of hanging) and without becoming our
// terminal, and written only once fstat says it is a regular file.
std::optional<QString> appendBytes(const QString &path, const QByteArray &bytes, bool &created)
{
    created = !QFileInfo::exists(path);
    const int fd = ::open(QFile::encodeName(path).constData(),
                          O_WRONLY | O_APPEND | O_CREAT | O_NONBLOCK | O_NOCTTY | O_CLOEXEC, 0666);
    if (fd < 0)
        return systemError();
    struct stat st = {};
    std::optional<QString> why;
    if (::fstat(fd, &st) != 0)
        why = systemError();
    else if (!S_ISREG(st.st_mode))
        why = QStringLiteral("not a regular file");
    else if (::write(fd, bytes.constData(), size_t(bytes.size())) != bytes.size())
        why = systemError();
    ::close(fd);
    return why;
}

std::optional<QString> syncFile(const QString &path, bool folderToo)
{
    const int fd = ::open(QFile::encodeName(path).constData(), O_RDONLY | O_NONBLOCK | O_NOCTTY | O_CLOEXEC);
    if (fd < 0)
        return systemError();
    std::optional<QString> why;
    if (::fdatasync(fd) != 0)
        why = systemError();
    ::close(fd);
    if (!why && folderToo && !syncFolder(QFileInfo(path).absolutePath()))
        why = systemError();
    return why;
}
#else
std::optional<QString> appendBytes(const QString &path, const QByteArray &bytes, bool &created)
{
    created = !QFileInfo::exists(path);
    QFile f(path);
    if (f.open(QIODevice::WriteOnly | QIODevice::Append) && f.write(bytes) == bytes.size() && f.flush())
        return std::nullopt;
    return f.errorString();
}

std::optional<QString> syncFile(const QString &path, bool)
{
    QFile f(path);
    if (f.open(QIODevice::Append) && ::_commit(f.handle()) == 0)
        return std::nullopt;
    return f.errorString();
}
#endif

} // namespace

void ResultFile::append(const QString &line)
{
    if (path_.isEmpty() || (muted_ && muted_()))
        return;
    if (line.startsWith(QLatin1String("ccPay")))
        ++cardAcknowledgements_;
    bool created = false;
    const auto why = appendBytes(path_, cp1253::encode(line) + QByteArrayLiteral("\r\n"), created);
    if (!why) {
        // A new file is durable only once its folder is flushed too.
        const QString mark = created ? QStringLiteral("+") : QString();
        if (!unsynced_.contains(mark + path_))
            unsynced_.append(mark + path_);
        return;
    }
    if (failure_.isEmpty())
        failure_ = path_ + QStringLiteral(": ") + *why;
    if (report_)
        report_(path_, line, *why);
}

bool ResultFile::sync()
{
    while (!unsynced_.isEmpty()) {
        const QString entry = unsynced_.first();
        const bool created = entry.startsWith(QLatin1Char('+'));
        const QString path = created ? entry.mid(1) : entry;
        if (const auto why = syncFile(path, created)) {
            if (failure_.isEmpty())
                failure_ = path + QStringLiteral(": ") + *why;
            return false;
        }
        unsynced_.removeFirst();
    }
    return true;
}

qint64 ResultFile::size() const
{
    const QFileInfo info(path_);
    return info.exists() ? info.size() : -1;
}

void ResultFile::setProtected(const QStringList &files, const QStringList &folders)
{
    protectedFiles_.clear();
    protectedFolders_.clear();
    for (const QString &f : files)
        protectedFiles_.append(resolved(f));
    for (const QString &f : folders)
        protectedFolders_.append(resolved(f) + QLatin1Char('/'));
}

std::optional<QString> ResultFile::refusal(const QString &path) const
{
    if (path.isEmpty())
        return QStringLiteral("no file named");
    const QString target = resolved(path);
    for (const QString &folder : protectedFolders_) {
        if (target.startsWith(folder) || target + QLatin1Char('/') == folder)
            return QStringLiteral("a file Dravimo keeps in ") + folder;
    }
    if (protectedFiles_.contains(target))
        return QStringLiteral("a file Dravimo keeps");
    const QFileInfo info(target);
    if (info.exists() && !info.isFile())
        return QStringLiteral("not a regular file");
#ifndef Q_OS_WIN
    // QFileInfo calls a FIFO or a device neither file nor folder only on
    // some systems: ask the system itself.
    struct stat st = {};
    if (::stat(QFile::encodeName(target).constData(), &st) == 0 && !S_ISREG(st.st_mode))
        return QStringLiteral("not a regular file");
#endif
    // A file that cannot be written at all (no such folder, no permission, a
    // read-only system) will not heal by waiting: the job is refused now,
    // rather than stopped at its first line and tried for ever. A write that
    // fails later (a full disk) stops the job until it can go on.
    bool created = false;
    if (const auto why = appendBytes(path, QByteArray(), created))
        return *why;
    if (created) // the job's first line makes it, once the job has begun
        QFile::remove(path);
    return std::nullopt;
}

} // namespace dravimo
