#include "journal/printjobfiles.h"

#include "core/files.h"
#include "core/resultfile.h"

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
#include <sys/stat.h>
#include <unistd.h>
#endif

namespace dravimo {
namespace {

#ifdef Q_OS_WIN
// Platform-specific: an open that shares nothing fails while any other
// process (the host still writing) has the file open.
PrintFileAccess openExclusively(const QString &path, bool forAppend)
{
    const DWORD rights = forAppend ? FILE_APPEND_DATA : GENERIC_READ;
    HANDLE h = CreateFileW(reinterpret_cast<LPCWSTR>(QDir::toNativeSeparators(path).utf16()), rights, 0, nullptr,
                           OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (h != INVALID_HANDLE_VALUE) {
        CloseHandle(h);
        return {};
    }
    const DWORD error = GetLastError();
    if (error == ERROR_SHARING_VIOLATION || error == ERROR_LOCK_VIOLATION || error == ERROR_FILE_NOT_FOUND
        || error == ERROR_PATH_NOT_FOUND)
        return {PrintFileAccess::Held, {}};
    return {PrintFileAccess::Refused, QStringLiteral("error %1").arg(error)};
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

// O_NONBLOCK: a FIFO dropped in the folder must not stall the poll tick.
int openWithoutBlocking(const QString &path, int mode)
{
    return ::open(QFile::encodeName(path).constData(), mode | O_NOCTTY | O_NONBLOCK | O_CLOEXEC);
}

PrintFileAccess openFailure()
{
    // Gone since it was listed: nothing to say about it.
    if (errno == ENOENT)
        return {PrintFileAccess::Held, {}};
    return {PrintFileAccess::Refused, QString::fromLocal8Bit(std::strerror(errno))};
}

PrintFileAccess openExclusively(const QString &path, bool forAppend)
{
    const int fd = openWithoutBlocking(path, forAppend ? (O_WRONLY | O_APPEND) : O_RDONLY);
    if (fd < 0)
        return openFailure();
    const bool free = !heldByAnotherProcess(fd);
    ::close(fd);
    return free ? PrintFileAccess{} : PrintFileAccess{PrintFileAccess::Held, {}};
}
#endif

} // namespace

PrintFileAccess printFileAccess(const QString &path, bool forAppend)
{
    if (!QFileInfo(path).isFile())
        return {PrintFileAccess::Held, {}};
    return openExclusively(path, forAppend);
}

#ifdef Q_OS_WIN
// Platform-specific: the exclusive open is the ready test, and Windows lets
// no one else write between it and the read only while it is held; the
// read's own open shares reading alone.
PrintJobFiles::Taken PrintJobFiles::take(const QString &path) const
{
    const QFileInfo info(path);
    if (!info.isFile() || info.size() == 0)
        return {};
    const PrintFileAccess access = openExclusively(path, false);
    if (access.state != PrintFileAccess::Free)
        return {access.state == PrintFileAccess::Refused ? Taken::Refused : Taken::NotReady, access.reason, {}};
    if (maxSize_ > 0 && info.size() > maxSize_)
        return {Taken::TooLarge, {}, {}};
    QFile f(path);
    if (!f.open(QIODevice::ReadOnly))
        return {Taken::Refused, f.errorString(), {}};
    QByteArray bytes = f.readAll();
    if (f.error() != QFileDevice::NoError)
        return {Taken::Refused, f.errorString(), {}};
    return {Taken::Read, {}, bytes};
}
#else
PrintJobFiles::Taken PrintJobFiles::take(const QString &path) const
{
    const int fd = openWithoutBlocking(path, O_RDONLY);
    if (fd < 0) {
        const PrintFileAccess failure = openFailure();
        return {failure.state == PrintFileAccess::Refused ? Taken::Refused : Taken::NotReady, failure.reason, {}};
    }
    Taken taken;
    struct stat st = {};
    if (::fstat(fd, &st) != 0) {
        taken = {Taken::Refused, QString::fromLocal8Bit(std::strerror(errno)), {}};
    } else if (!S_ISREG(st.st_mode) || st.st_size == 0 || heldByAnotherProcess(fd)) {
        taken = {};
    } else if (maxSize_ > 0 && st.st_size > maxSize_) {
        taken = {Taken::TooLarge, {}, {}};
    } else {
        // Read to the end, whatever the size said: a file that grew since is
        // read whole (its fingerprint is of these bytes), one cut short too.
        taken.state = Taken::Read;
        char buffer[65536];
        for (;;) {
            const ssize_t n = ::read(fd, buffer, sizeof buffer);
            if (n > 0) {
                taken.bytes.append(buffer, n);
                if (maxSize_ > 0 && taken.bytes.size() > maxSize_) {
                    taken = {Taken::TooLarge, {}, {}};
                    break;
                }
            } else if (n == 0 || errno != EINTR) {
                if (n < 0)
                    taken = {Taken::Refused, QString::fromLocal8Bit(std::strerror(errno)), {}};
                break;
            }
        }
    }
    ::close(fd);
    return taken;
}
#endif

bool PrintJobFiles::begin(JournalEntry entry)
{
    if (results_) {
        entry.resultSize = results_->size();
        results_->clearFailure();
    }
    return !journal_ || journal_->begin(entry);
}

bool PrintJobFiles::finish(const QString &path, bool removePrintFile)
{
    if (removePrintFile && !removeFileDurably(path)) {
        why_ = QStringLiteral("δεν διαγράφεται το αρχείο εκτύπωσης ") + path;
        return false;
    }
    if (journal_ && !journal_->finish()) {
        why_ = journal_->lastError();
        return false;
    }
    return true;
}

} // namespace dravimo
