#include "control/jobfiles.h"

#include "core/files.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>

#ifdef Q_OS_WIN
#define NOMINMAX
#define WIN32_LEAN_AND_MEAN
#include <windows.h>
#else
#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <sys/file.h>
#include <unistd.h>
#endif

namespace dravimo {
namespace {

enum class Access { Append, Read };

#ifdef Q_OS_WIN
// Platform-specific: an open that shares nothing fails while any other
// process (the host still writing) has the file open.
ReadAccess openExclusively(const QString &path, Access access)
{
    const DWORD rights = access == Access::Append ? FILE_APPEND_DATA : GENERIC_READ;
    HANDLE h = CreateFileW(reinterpret_cast<LPCWSTR>(QDir::toNativeSeparators(path).utf16()), rights, 0, nullptr,
                           OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (h != INVALID_HANDLE_VALUE) {
        CloseHandle(h);
        return {};
    }
    const DWORD error = GetLastError();
    if (error == ERROR_SHARING_VIOLATION || error == ERROR_LOCK_VIOLATION || error == ERROR_FILE_NOT_FOUND
        || error == ERROR_PATH_NOT_FOUND)
        return {ReadAccess::Held, {}};
    return {ReadAccess::Refused, QStringLiteral("error %1").arg(error)};
}
#else
// Platform-specific: POSIX cannot refuse an open, so the strongest test is a
// lock attempt of each kind a host may use. A whole-file flock and an fcntl
// write-lock query both fail while another process holds a lock; a host that
// locks nothing is covered by the write-then-rename rule above.
bool heldByAnotherProcess(int fd)
{
    if (::flock(fd, LOCK_EX | LOCK_NB) != 0)
        return true;
    struct flock query = {};
    query.l_type = F_WRLCK;
    query.l_whence = SEEK_SET;
    const bool fcntlLocked = ::fcntl(fd, F_GETLK, &query) == 0 && query.l_type != F_UNLCK;
    ::flock(fd, LOCK_UN);
    return fcntlLocked;
}

ReadAccess openExclusively(const QString &path, Access access)
{
    const int mode = access == Access::Append ? (O_WRONLY | O_APPEND) : O_RDONLY;
    // O_NONBLOCK: a FIFO dropped in the folder must not stall the cycle.
    const int fd = ::open(QFile::encodeName(path).constData(), mode | O_NOCTTY | O_NONBLOCK | O_CLOEXEC);
    if (fd < 0) {
        // Gone since it was listed: nothing to say about it.
        if (errno == ENOENT)
            return {ReadAccess::Held, {}};
        return {ReadAccess::Refused, QString::fromLocal8Bit(std::strerror(errno))};
    }
    const bool free = !heldByAnotherProcess(fd);
    ::close(fd);
    return free ? ReadAccess{} : ReadAccess{ReadAccess::Held, {}};
}
#endif

} // namespace

bool isReadyFile(const QString &path)
{
    const QFileInfo info(path);
    return info.isFile() && info.size() > 0 && openExclusively(path, Access::Append).state == ReadAccess::Free;
}

ReadAccess readAccess(const QString &path)
{
    if (!QFileInfo(path).isFile())
        return {ReadAccess::Held, {}};
    return openExclusively(path, Access::Read);
}

bool isProgrammingFile(const QString &path, bool multiFile)
{
    const QString tail = path.right(5);
    return multiFile ? tail == QLatin1String("prg.1") : tail.toUpper() == QLatin1String("PRG.1");
}

QString findNumberedPrintFile(const QString &stem)
{
    constexpr int kHighestNumber = 10;
    for (int n = 1; n <= kHighestNumber; ++n) {
        QString candidate = stem + QLatin1Char('.') + QString::number(n);
        if (isReadyFile(candidate))
            return candidate;
    }
    return {};
}

QString findWildcardPrintFile(const QString &location, const QString &pattern)
{
    const QFileInfo full(location + pattern);
    const QDir folder = location.isEmpty() ? QDir::current() : full.dir();
    const QStringList names = folder.entryList({full.fileName()}, QDir::Files | QDir::Hidden, QDir::Name);
    if (names.isEmpty())
        return {};
    return location + names.first();
}

void writeReceiptFile(qint16 counter)
{
    writeTextFile(kReceiptFile, QString::number(counter) + QStringLiteral("\r\n"));
}

} // namespace dravimo
