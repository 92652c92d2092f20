#include "control/printfolderwatch.h"

#include "core/commlog.h"
#include "settings/settings.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>

#if defined(Q_OS_LINUX)
#include <QSocketNotifier>

#include <cerrno>
#include <cstring>
#include <sys/inotify.h>
#include <sys/vfs.h>
#include <unistd.h>
#elif defined(Q_OS_WIN)
#include <QFileSystemWatcher>
#endif

namespace dravimo {

using namespace std::chrono_literals;

namespace {
// Watch ticks come at most this often: the program's own opens of a file that
// stays (not ready yet, or kept after its job) must not chain ticks.
constexpr Millis kTickGap = 200ms;
// A watch tick that found a register operation under way is tried again
// after this long.
constexpr Millis kBusyRetry = 50ms;
// Numbered print files run from stem.1 to stem.10.
constexpr int kHighestNumber = 10;

#ifdef Q_OS_WIN
constexpr Qt::CaseSensitivity kNameCase = Qt::CaseInsensitive;
#else
constexpr Qt::CaseSensitivity kNameCase = Qt::CaseSensitive;
#endif
} // namespace

#if defined(Q_OS_LINUX)
// Platform-specific: inotify, read through the event loop.
class PrintFolderWatch::Events
{
public:
    explicit Events(PrintFolderWatch &owner) : owner_(owner) {}
    ~Events()
    {
        unwatch();
        notifier_.reset();
        if (fd_ >= 0)
            ::close(fd_);
    }
    Events(const Events &) = delete;
    Events &operator=(const Events &) = delete;

    // Empty when the folder is watched, else why it is not.
    QString watch(const QString &folder)
    {
        unwatch();
        const QByteArray path = QFile::encodeName(folder);
        if (isNetworkFolder(path))
            return QStringLiteral("a network folder reports no changes made elsewhere");
        if (fd_ < 0) {
            fd_ = ::inotify_init1(IN_NONBLOCK | IN_CLOEXEC);
            if (fd_ < 0)
                return QString::fromLocal8Bit(std::strerror(errno));
            notifier_ = std::make_unique<QSocketNotifier>(fd_, QSocketNotifier::Read);
            QObject::connect(notifier_.get(), &QSocketNotifier::activated, notifier_.get(), [this] { read(); });
        }
        wd_ = ::inotify_add_watch(fd_, path.constData(),
                                  IN_CLOSE_WRITE | IN_MOVED_TO | IN_DELETE | IN_MOVED_FROM | IN_ONLYDIR);
        if (wd_ < 0)
            return QString::fromLocal8Bit(std::strerror(errno));
        return {};
    }
    void unwatch()
    {
        if (wd_ >= 0)
            ::inotify_rm_watch(fd_, wd_);
        wd_ = -1;
    }
    bool watching() const { return wd_ >= 0; }

private:
    // A share mounted from elsewhere sees only the changes made on this
    // machine: a host writing from another computer would never be noticed.
    static bool isNetworkFolder(const QByteArray &path)
    {
        struct statfs fs = {};
        if (::statfs(path.constData(), &fs) != 0)
            return false;
        constexpr unsigned long kRemote[] = {0x6969 /* NFS */,      0x517B /* SMB */,    0xFF534D42 /* CIFS */,
                                             0xFE534D42 /* SMB2 */, 0x01021997 /* 9P */, 0x5346414F /* AFS */};
        for (const unsigned long type : kRemote) {
            if (static_cast<unsigned long>(fs.f_type) == type)
                return true;
        }
        return false;
    }

    void read()
    {
        alignas(inotify_event) char buffer[4096];
        for (;;) {
            const ssize_t n = ::read(fd_, buffer, sizeof buffer);
            if (n <= 0)
                return;
            for (const char *p = buffer; p < buffer + n;) {
                inotify_event event{};
                std::memcpy(&event, p, sizeof event);
                const char *name = p + sizeof event;
                p += sizeof event + event.len;
                handle(event, name);
            }
        }
    }

    void handle(const inotify_event &event, const char *name)
    {
        // Events lost to a full queue: every name is looked at.
        if ((event.mask & IN_Q_OVERFLOW) != 0) {
            owner_.changed({});
            return;
        }
        // Late events of a folder watched before.
        if (event.wd != wd_)
            return;
        // The folder itself went away; the next poll tick watches it again.
        if ((event.mask & IN_IGNORED) != 0) {
            wd_ = -1;
            return;
        }
        if (event.len == 0)
            return;
        const QString file = QFile::decodeName(name);
        if ((event.mask & (IN_CLOSE_WRITE | IN_MOVED_TO)) != 0)
            owner_.changed(file);
        else
            owner_.gone(file);
    }

    PrintFolderWatch &owner_;
    int fd_ = -1;
    int wd_ = -1;
    std::unique_ptr<QSocketNotifier> notifier_;
};
#elif defined(Q_OS_WIN)
// Platform-specific: Windows says only that the folder changed; the names are
// looked at, and the ready test's exclusive open refuses a file still held.
class PrintFolderWatch::Events
{
public:
    explicit Events(PrintFolderWatch &owner)
    {
        QObject::connect(&watcher_, &QFileSystemWatcher::directoryChanged, &watcher_, [&owner] { owner.changed({}); });
    }
    QString watch(const QString &folder)
    {
        unwatch();
        if (!watcher_.addPath(folder))
            return QStringLiteral("the folder cannot be watched");
        folder_ = folder;
        return {};
    }
    void unwatch()
    {
        if (!folder_.isEmpty())
            watcher_.removePath(folder_);
        folder_.clear();
    }
    bool watching() const { return !folder_.isEmpty(); }

private:
    QFileSystemWatcher watcher_;
    QString folder_;
};
#else
class PrintFolderWatch::Events
{
public:
    explicit Events(PrintFolderWatch &) {}
    QString watch(const QString &) { return QStringLiteral("no folder watch on this system"); }
    void unwatch() {}
    bool watching() const { return false; }
};
#endif

PrintFolderWatch::PrintFolderWatch(Clock &clock, CommLog &log)
    : clock_(clock), log_(log), events_(std::make_unique<Events>(*this))
{
    timer_.setSingleShot(true);
    QObject::connect(&timer_, &QTimer::timeout, &timer_, [this] { fire(); });
}

PrintFolderWatch::~PrintFolderWatch() = default;

bool PrintFolderWatch::watching() const
{
    return events_->watching();
}

void PrintFolderWatch::follow(const Settings &settings)
{
    const QFileInfo path(settings.location + settings.file);
    const bool wildcard = settings.file.contains(QLatin1Char('*'));
    const bool byPattern = settings.fileMode == FileMode::Multi && wildcard;
    // Built again only when the settings change: this runs on every poll
    // tick, and a pattern compiled afresh each second adds up over months.
    if (path.fileName() != name_ || byPattern == pattern_.pattern().isEmpty()) {
        name_ = path.fileName();
        // The poll lists a pattern's files ignoring case, on every system.
        pattern_ = byPattern ? QRegularExpression::fromWildcard(name_, Qt::CaseInsensitive) : QRegularExpression();
    }
    numbered_ = settings.fileMode == FileMode::Multi && !wildcard;
    const QString folder = settings.fileMode == FileMode::Off ? QString() : path.absolutePath();
    if (folder == folder_ && (folder.isEmpty() || events_->watching()))
        return;
    folder_ = folder;
    seen_.clear();
    if (folder.isEmpty()) {
        events_->unwatch();
        return;
    }
    // A folder that could not be watched is tried again on every tick (it may
    // have been created since); the log hears of it once.
    const QString failure = events_->watch(folder);
    const QString report = failure.isEmpty()
        ? QStringLiteral("print folder watched: ") + QDir::toNativeSeparators(folder)
        : QStringLiteral("print folder not watched (") + failure + QStringLiteral("), checked every second: ")
            + QDir::toNativeSeparators(folder);
    if (report != reported_)
        logLine(report);
    reported_ = report;
}

void PrintFolderWatch::stop()
{
    timer_.stop();
    events_->unwatch();
    folder_.clear();
    seen_.clear();
    reported_.clear();
}

bool PrintFolderWatch::isPrintFileName(const QString &name) const
{
    if (pattern_.isValid() && !pattern_.pattern().isEmpty())
        return pattern_.match(name).hasMatch();
    if (!numbered_)
        return name.compare(name_, kNameCase) == 0;
    const QString prefix = name_ + QLatin1Char('.');
    if (!name.startsWith(prefix, kNameCase))
        return false;
    bool number = false;
    const int n = name.mid(prefix.size()).toInt(&number);
    return number && n >= 1 && n <= kHighestNumber && name.mid(prefix.size()) == QString::number(n);
}

// Whether a print file is not as it was when it last started a tick: the
// program's own opens change neither its size nor its time stamps.
bool PrintFolderWatch::isNew(const QString &name)
{
    const QFileInfo info(QDir(folder_).filePath(name));
    if (!info.isFile()) {
        seen_.remove(name);
        return false;
    }
    const Stamp stamp{info.size(), info.lastModified().toMSecsSinceEpoch(),
                      info.metadataChangeTime().toMSecsSinceEpoch()};
    const auto it = seen_.constFind(name);
    if (it != seen_.constEnd() && *it == stamp)
        return false;
    seen_.insert(name, stamp);
    return true;
}

// The print files now in the folder. Only their own names are looked at: the
// folder may also hold thousands of files of the host's (a result file per
// job, say), and listing them all on every watch tick costs time and leaves
// the heap to grow with the folder.
QStringList PrintFolderWatch::printFiles() const
{
    const QDir folder(folder_);
    if (!pattern_.pattern().isEmpty()) {
        QStringList names = folder.entryList({name_}, QDir::Files | QDir::Hidden, QDir::Name);
        names.removeIf([this](const QString &name) { return !isPrintFileName(name); });
        return names;
    }
    QStringList names;
    if (!numbered_) {
        names.append(name_);
    } else {
        for (int n = 1; n <= kHighestNumber; ++n)
            names.append(name_ + QLatin1Char('.') + QString::number(n));
    }
    names.removeIf([&folder](const QString &name) { return !QFileInfo(folder.filePath(name)).isFile(); });
    return names;
}

void PrintFolderWatch::changed(const QString &name)
{
    if (folder_.isEmpty())
        return;
    bool fresh = false;
    if (name.isEmpty()) {
        for (const QString &n : printFiles())
            fresh = isNew(n) || fresh;
    } else {
        fresh = isPrintFileName(name) && isNew(name);
    }
    if (fresh)
        schedule(ticked_ ? lastTickMs_ + kTickGap.count() - clock_.nowMs() : 0);
}

void PrintFolderWatch::schedule(qint64 afterMs)
{
    if (timer_.isActive())
        return;
    timer_.start(clock_.realMs(Millis(std::max<qint64>(afterMs, 0))));
}

void PrintFolderWatch::fire()
{
    if (!tick_ || folder_.isEmpty())
        return;
    const QStringList before = printFiles();
    if (!tick_()) {
        timer_.start(clock_.realMs(kBusyRetry));
        return;
    }
    lastTickMs_ = clock_.nowMs();
    ticked_ = true;
    // A tick takes one file. When it took one and others are waiting (a host
    // that handed over several at once), the next tick follows at once too.
    const QStringList after = printFiles();
    if (!after.isEmpty() && after != before)
        schedule(0);
}

void PrintFolderWatch::logLine(const QString &text)
{
    if (log_.isOpen())
        log_.write(clock_.wallNow().toString(QStringLiteral("mm:ss ")) + text);
}

} // namespace dravimo
