#include "journal/jobjournal.h"

#include <QCryptographicHash>
#include <QDir>
#include <QFileInfo>

#include <csignal>
#include <cstdio>
#include <cstdlib>

#ifdef Q_OS_WIN
#include <io.h>
#include <windows.h>
#else
#include <fcntl.h>
#include <unistd.h>
#endif

namespace dravimo {
namespace {

constexpr char kMagic[] = "dravimo-job 1";
constexpr int kHeaderLines = 6;

QByteArray checksumOf(const QByteArray &payload)
{
    return QCryptographicHash::hash(payload, QCryptographicHash::Md5).toHex().left(8);
}

QByteArray sealed(const QByteArray &payload)
{
    return payload + " *" + checksumOf(payload) + '\n';
}

// The payload of a whole, undamaged line, or nothing.
std::optional<QByteArray> unsealed(const QByteArray &line)
{
    const qsizetype star = line.lastIndexOf(" *");
    if (star < 0 || line.mid(star + 2) != checksumOf(line.left(star)))
        return std::nullopt;
    return line.left(star);
}

QByteArray encoded(const QString &text)
{
    return text.toUtf8().toPercentEncoding();
}

QString decoded(const QByteArray &text)
{
    return QString::fromUtf8(QByteArray::fromPercentEncoding(text));
}

// Flushes what was written to the disk itself, not only to the system.
bool syncToDisk(QFile &file)
{
    if (!file.flush())
        return false;
#ifdef Q_OS_WIN
    return ::_commit(file.handle()) == 0;
#else
    return ::fdatasync(file.handle()) == 0;
#endif
}

// A rename is durable only once the folder holding it is flushed too.
bool syncFolder(const QString &folder)
{
#ifdef Q_OS_WIN
    Q_UNUSED(folder);
    return true; // MoveFileEx with MOVEFILE_WRITE_THROUGH already waited
#else
    const int fd = ::open(QFile::encodeName(folder).constData(), O_RDONLY | O_DIRECTORY);
    if (fd < 0)
        return false;
    const bool ok = ::fsync(fd) == 0;
    ::close(fd);
    return ok;
#endif
}

bool replaceFile(const QString &from, const QString &to)
{
#ifdef Q_OS_WIN
    return ::MoveFileExW(reinterpret_cast<const wchar_t *>(QDir::toNativeSeparators(from).utf16()),
                         reinterpret_cast<const wchar_t *>(QDir::toNativeSeparators(to).utf16()),
                         MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH)
        != 0;
#else
    return std::rename(QFile::encodeName(from).constData(), QFile::encodeName(to).constData()) == 0;
#endif
}

} // namespace

QByteArray fingerprintOf(const QByteArray &bytes)
{
    return QCryptographicHash::hash(bytes, QCryptographicHash::Sha256).toHex();
}

CrashPoints::CrashPoints(const QString &setting)
{
    const QStringList parts = setting.split(QLatin1Char(':'));
    name_ = parts.value(0).trimmed();
    countdown_ = parts.size() > 1 ? parts[1].toInt() : 1;
}

void CrashPoints::reach(const char *name)
{
    if (name_.isEmpty() || name_ != QLatin1String(name) || --countdown_ != 0)
        return;
    std::fflush(nullptr);
#ifdef Q_OS_WIN
    std::_Exit(9);
#else
    std::raise(SIGKILL);
#endif
}

JobJournal::JobJournal(QString folder, CrashPoints crashPoints)
    : folder_(std::move(folder)), crash_(std::move(crashPoints))
{}

JobJournal::~JobJournal() = default;

QString JobJournal::entryPath() const
{
    return folder_ + QStringLiteral("/job");
}

bool JobJournal::lock(QString &why)
{
    if (!QDir().mkpath(folder_)) {
        why = QStringLiteral("cannot create the journal folder ") + QDir(folder_).absolutePath();
        return false;
    }
    lock_ = std::make_unique<QLockFile>(folder_ + QStringLiteral("/lock"));
    // A lock left by a process that died is taken over at once: whether its
    // holder still lives is what counts, not how old the lock is.
    lock_->setStaleLockTime(0);
    if (lock_->tryLock(0))
        return true;
    qint64 pid = 0;
    QString host, app;
    if (lock_->error() == QLockFile::LockFailedError && lock_->getLockInfo(&pid, &host, &app))
        why = QStringLiteral("another Dravimo (process %1) is already running in %2").arg(pid).arg(QDir::currentPath());
    else
        why = QStringLiteral("cannot lock ") + QDir(folder_).absoluteFilePath(QStringLiteral("lock"));
    lock_.reset();
    return false;
}

std::optional<JournalEntry> JobJournal::unfinished() const
{
    QFile f(entryPath());
    if (!f.open(QIODevice::ReadOnly))
        return std::nullopt;
    return parse(f.readAll());
}

QByteArray JobJournal::serialise(const JournalEntry &e)
{
    QByteArray out = sealed(kMagic);
    out += sealed("path " + encoded(e.path));
    out += sealed("fingerprint " + e.fingerprint);
    out += sealed("before " + encoded(e.numbersBefore));
    out += sealed("attempt " + QByteArray::number(e.attempt));
    out += sealed("settle " + QByteArray(e.settleLeftOpen ? "1" : "0"));
    for (const JournalReply &r : e.replies)
        out += sealed("r " + QByteArray::number(r.code) + ' ' + encoded(r.reply));
    if (e.cardInFlight)
        out += sealed("card");
    if (e.outcomeWritten)
        out += sealed("outcome");
    return out;
}

std::optional<JournalEntry> JobJournal::parse(const QByteArray &bytes)
{
    QList<QByteArray> lines;
    qsizetype from = 0;
    for (qsizetype nl = bytes.indexOf('\n'); nl >= 0; from = nl + 1, nl = bytes.indexOf('\n', from)) {
        const auto payload = unsealed(bytes.mid(from, nl - from));
        if (!payload)
            break;
        lines.append(*payload);
    }
    if (lines.size() < kHeaderLines || lines[0] != kMagic)
        return std::nullopt;
    const auto field = [&](int i, const char *key) -> std::optional<QByteArray> {
        const QByteArray prefix = QByteArray(key) + ' ';
        if (!lines[i].startsWith(prefix))
            return std::nullopt;
        return lines[i].mid(prefix.size());
    };
    const auto path = field(1, "path");
    const auto fingerprint = field(2, "fingerprint");
    const auto before = field(3, "before");
    const auto attempt = field(4, "attempt");
    const auto settle = field(5, "settle");
    if (!path || !fingerprint || !before || !attempt || !settle)
        return std::nullopt;
    JournalEntry e{decoded(*path), *fingerprint, decoded(*before), attempt->toInt(), *settle == "1", {}, false, false};
    for (qsizetype i = kHeaderLines; i < lines.size() && !e.outcomeWritten; ++i) {
        const QList<QByteArray> parts = lines[i].split(' ');
        if (lines[i] == "outcome") {
            e.outcomeWritten = true;
        } else if (lines[i] == "card") {
            e.cardInFlight = true;
        } else if (parts.size() == 3 && parts[0] == "r") {
            e.replies.append({static_cast<qint16>(parts[1].toInt()), decoded(parts[2])});
            e.cardInFlight = false;
        } else {
            break;
        }
    }
    return e;
}

bool JobJournal::begin(const JournalEntry &entry)
{
    open_.reset();
    if (!QDir().mkpath(folder_))
        return false;
    const QString temporary = entryPath() + QStringLiteral(".new");
    {
        QFile f(temporary);
        const QByteArray bytes = serialise(entry);
        if (!f.open(QIODevice::WriteOnly | QIODevice::Truncate) || f.write(bytes) != bytes.size() || !syncToDisk(f))
            return false;
    }
    if (!replaceFile(temporary, entryPath()) || !syncFolder(folder_))
        return false;
    open_ = std::make_unique<QFile>(entryPath());
    if (!open_->open(QIODevice::WriteOnly | QIODevice::Append)) {
        open_.reset();
        return false;
    }
    return true;
}

bool JobJournal::appendLine(const QByteArray &line)
{
    if (!open_)
        return false;
    return open_->write(sealed(line)) > 0 && syncToDisk(*open_);
}

bool JobJournal::recordReply(const JournalReply &reply)
{
    return appendLine("r " + QByteArray::number(reply.code) + ' ' + encoded(reply.reply));
}

bool JobJournal::recordCardSent()
{
    return appendLine("card");
}

bool JobJournal::recordOutcome()
{
    return appendLine("outcome");
}

void JobJournal::finish()
{
    open_.reset();
    QFile::remove(entryPath());
    syncFolder(folder_);
}

} // namespace dravimo
