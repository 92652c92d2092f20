#include "journal/jobjournal.h"

#include "core/files.h"

#include <QCryptographicHash>
#include <QDir>
#include <QFileInfo>

#include <algorithm>
#include <csignal>
#include <limits>
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

// Version 2 adds the result file's size before the job, the pending cancel
// of recovery and whether the outcome left a receipt open; version 1 entries
// (left by an older Dravimo) are still read.
constexpr char kMagic[] = "dravimo-job 2";
constexpr char kMagicV1[] = "dravimo-job 1";
constexpr int kHeaderLinesV1 = 6;
constexpr int kHeaderLines = 7;

const QString kNoteName = QStringLiteral("/left-open");

// Only Dravimo itself reads its journal.
constexpr QFileDevice::Permissions kPrivateFile = QFileDevice::ReadOwner | QFileDevice::WriteOwner;
constexpr QFileDevice::Permissions kPrivateFolder = kPrivateFile | QFileDevice::ExeOwner;

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

QByteArray replyLine(const JournalReply &r)
{
    QByteArray line = "r " + QByteArray::number(r.code) + ' ' + encoded(r.reply);
    if (r.resultSize >= 0)
        line += ' ' + QByteArray::number(r.resultSize);
    return line;
}

} // namespace

QByteArray fingerprintOf(const QByteArray &bytes)
{
    return QCryptographicHash::hash(bytes, QCryptographicHash::Sha256).toHex();
}

WriteFaults::WriteFaults(const QString &setting)
{
    const QStringList parts = setting.split(QLatin1Char(':'));
    if (parts.size() != 2 || parts[0].trimmed() != QLatin1String("write"))
        return;
    const QStringList range = parts[1].split(QLatin1Char('-'));
    failFrom_ = range[0].toInt();
    failTo_ = range.size() > 1 ? range[1].toInt() : std::numeric_limits<int>::max();
}

bool WriteFaults::failNow()
{
    ++writes_;
    return failFrom_ > 0 && writes_ >= failFrom_ && writes_ <= failTo_;
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

JobJournal::JobJournal(QString folder, CrashPoints crashPoints, WriteFaults faults)
    : folder_(std::move(folder)), crash_(std::move(crashPoints)), faults_(faults)
{}

// Records why a write failed; always false, for the caller to return.
bool JobJournal::failed(const QString &what)
{
    lastError_ = what;
    return false;
}

// The folder, private to Dravimo (an older one is tightened).
bool JobJournal::makeFolder()
{
    if (!QDir().mkpath(folder_))
        return failed(QStringLiteral("cannot create the journal folder ") + QDir(folder_).absolutePath());
    QFile::setPermissions(folder_, kPrivateFolder);
    return true;
}

JobJournal::~JobJournal() = default;

QString JobJournal::entryPath() const
{
    return folder_ + QStringLiteral("/job");
}

bool JobJournal::lock(QString &why)
{
    if (!makeFolder()) {
        why = lastError_;
        return false;
    }
    lock_ = std::make_unique<QLockFile>(folder_ + QStringLiteral("/lock"));
    // A lock left by a process that died is taken over at once: whether its
    // holder still lives is what counts, not how old the lock is.
    lock_->setStaleLockTime(0);
    if (lock_->tryLock(0)) {
        // Files an older Dravimo left readable by the group are tightened.
        for (const QFileInfo &f : QDir(folder_).entryInfoList(QDir::Files | QDir::Hidden))
            QFile::setPermissions(f.absoluteFilePath(), kPrivateFile);
        return true;
    }
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

namespace {

// "outcome", "open" when a receipt was left open, "table N" when a table was
// left open for keying.
QByteArray outcomeLine(bool leftOpen, int table)
{
    QByteArray line = leftOpen ? "outcome open" : "outcome";
    if (table > 0)
        line += " table " + QByteArray::number(table);
    return line;
}

} // namespace

QByteArray JobJournal::serialise(const JournalEntry &e)
{
    QByteArray out = sealed(kMagic);
    out += sealed("path " + encoded(e.path));
    out += sealed("fingerprint " + e.fingerprint);
    out += sealed("before " + encoded(e.numbersBefore));
    out += sealed("attempt " + QByteArray::number(e.attempt));
    out += sealed("settle " + QByteArray(e.settleLeftOpen ? "1" : "0"));
    out += sealed("results " + QByteArray::number(e.resultSize));
    if (e.cancelResumeAt >= 0)
        out += sealed("cancel " + QByteArray::number(e.cancelResumeAt));
    if (e.settleTable > 0)
        out += sealed("settle-table " + QByteArray::number(e.settleTable));
    if (!e.key.isEmpty())
        out += sealed("key " + encoded(e.key));
    for (const JournalReply &r : e.replies)
        out += sealed(replyLine(r));
    if (e.cardInFlight)
        out += sealed("card");
    if (e.replyLost)
        out += sealed("lost");
    if (e.outcomeWritten)
        out += sealed(outcomeLine(e.leftOpen, e.leftOpenTable));
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
    const bool version1 = !lines.isEmpty() && lines[0] == kMagicV1;
    const int headerLines = version1 ? kHeaderLinesV1 : kHeaderLines;
    if (lines.size() < headerLines || (lines[0] != kMagic && !version1))
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
    const auto results = version1 ? std::optional<QByteArray>("-1") : field(6, "results");
    if (!path || !fingerprint || !before || !attempt || !settle || !results)
        return std::nullopt;
    JournalEntry e{decoded(*path), *fingerprint, decoded(*before), attempt->toInt(), *settle == "1", {}, false, false};
    e.resultSize = results->toLongLong();
    for (qsizetype i = headerLines; i < lines.size() && !e.outcomeWritten; ++i) {
        const QList<QByteArray> parts = lines[i].split(' ');
        if (parts[0] == "outcome") {
            e.outcomeWritten = true;
            e.leftOpen = parts.contains("open");
            const qsizetype table = parts.indexOf("table");
            if (table >= 0 && table + 1 < parts.size())
                e.leftOpenTable = parts[table + 1].toInt();
        } else if (parts.size() == 2 && parts[0] == "cancel" && e.replies.isEmpty()) {
            e.cancelResumeAt = parts[1].toInt();
        } else if (parts.size() == 2 && parts[0] == "settle-table" && e.replies.isEmpty()) {
            e.settleTable = parts[1].toInt();
        } else if (parts.size() == 2 && parts[0] == "key" && e.replies.isEmpty()) {
            e.key = decoded(parts[1]);
        } else if (lines[i] == "card") {
            e.cardInFlight = true;
        } else if (lines[i] == "lost") {
            e.replyLost = true;
        } else if ((parts.size() == 3 || parts.size() == 4) && parts[0] == "r") {
            e.replies.append({static_cast<qint16>(parts[1].toInt()), decoded(parts[2]),
                              parts.size() == 4 ? parts[3].toLongLong() : -1});
            e.cardInFlight = false;
            e.replyLost = false;
        } else {
            break;
        }
    }
    return e;
}

bool JobJournal::begin(const JournalEntry &entry)
{
    open_.reset();
    outcomeRecorded_ = entry.outcomeWritten;
    outcomeLeftOpen_ = entry.leftOpen;
    outcomeTable_ = entry.leftOpenTable;
    noteWritten_ = false;
    if (faults_.failNow())
        return failed(QStringLiteral("the journal entry could not be written (test)"));
    if (!makeFolder())
        return false;
    const QString temporary = entryPath() + QStringLiteral(".new");
    {
        QFile f(temporary);
        const QByteArray bytes = serialise(entry);
        if (!f.open(QIODevice::WriteOnly | QIODevice::Truncate) || !f.setPermissions(kPrivateFile)
            || f.write(bytes) != bytes.size() || !syncToDisk(f))
            return failed(temporary + QStringLiteral(": ") + f.errorString());
    }
    if (!replaceFile(temporary, entryPath()) || !syncFolder(folder_))
        return failed(QStringLiteral("cannot put the journal entry in place in ") + QDir(folder_).absolutePath());
    open_ = std::make_unique<QFile>(entryPath());
    if (!open_->open(QIODevice::WriteOnly | QIODevice::Append)) {
        open_.reset();
        return failed(entryPath() + QStringLiteral(": cannot be opened for appending"));
    }
    return true;
}

bool JobJournal::appendLine(const QByteArray &line)
{
    if (faults_.failNow())
        return failed(QStringLiteral("the journal line could not be written (test)"));
    if (!open_)
        return failed(QStringLiteral("no journal entry to append to"));
    const QByteArray bytes = sealed(line);
    if (open_->write(bytes) != bytes.size() || !syncToDisk(*open_)) {
        const QString why = open_->errorString();
        // What may have reached the file is torn and ends the readable entry;
        // nothing more goes after it.
        open_.reset();
        return failed(entryPath() + QStringLiteral(": ") + why);
    }
    return true;
}

bool JobJournal::recordReply(const JournalReply &reply)
{
    return appendLine(replyLine(reply));
}

bool JobJournal::recordCardSent()
{
    return appendLine("card");
}

bool JobJournal::recordReplyLost()
{
    return appendLine("lost");
}

bool JobJournal::recordOutcome(bool leftOpen, int table)
{
    if (!appendLine(outcomeLine(leftOpen, table)))
        return false;
    outcomeRecorded_ = true;
    outcomeLeftOpen_ = leftOpen;
    outcomeTable_ = table;
    noteWritten_ = writeNote(leftOpen, table);
    return noteWritten_;
}

// The note is written whole and renamed into place, like the entry, before
// the entry can go.
bool JobJournal::writeNote(bool leftOpen, int table)
{
    const QString note = folder_ + kNoteName;
    if (faults_.failNow())
        return failed(QStringLiteral("the left-open note could not be written (test)"));
    if (!leftOpen && table <= 0) {
        if (!QFile::exists(note))
            return true;
        if (!QFile::remove(note))
            return failed(note + QStringLiteral(": cannot be removed"));
        return syncFolder(folder_) || failed(QStringLiteral("cannot flush ") + QDir(folder_).absolutePath());
    }
    const QString temporary = note + QStringLiteral(".new");
    {
        QFile f(temporary);
        QByteArray text = leftOpen ? "receipt\n" : "";
        if (table > 0)
            text += "table " + QByteArray::number(table) + '\n';
        if (!f.open(QIODevice::WriteOnly | QIODevice::Truncate) || !f.setPermissions(kPrivateFile)
            || f.write(text) != text.size() || !syncToDisk(f))
            return failed(temporary + QStringLiteral(": ") + f.errorString());
    }
    if (!replaceFile(temporary, note) || !syncFolder(folder_))
        return failed(QStringLiteral("cannot put the left-open note in place in ") + QDir(folder_).absolutePath());
    return true;
}

QList<QByteArray> JobJournal::noteLines() const
{
    QFile f(folder_ + kNoteName);
    if (!f.open(QIODevice::ReadOnly))
        return {};
    return f.readAll().split('\n');
}

bool JobJournal::receiptLeftOpen() const
{
    // A note that cannot be read is taken as a receipt: the next job only
    // asks the register before it cancels anything.
    if (!QFile::exists(folder_ + kNoteName))
        return false;
    const QList<QByteArray> lines = noteLines();
    return lines.contains("receipt") || !std::any_of(lines.begin(), lines.end(), [](const QByteArray &l) {
        return l.startsWith("table ");
    });
}

int JobJournal::tableLeftOpen() const
{
    for (const QByteArray &line : noteLines()) {
        if (line.startsWith("table "))
            return line.mid(6).toInt();
    }
    return -1;
}

bool JobJournal::finish()
{
    open_.reset();
    // An entry whose outcome a process that ended recorded: its note may not
    // have followed.
    if (outcomeRecorded_ && !noteWritten_ && !writeNote(outcomeLeftOpen_, outcomeTable_))
        return false;
    if (faults_.failNow())
        return failed(QStringLiteral("the journal entry could not be removed (test)"));
    if (QFile::exists(entryPath()) && !QFile::remove(entryPath()))
        return failed(entryPath() + QStringLiteral(": cannot be removed"));
    outcomeRecorded_ = false;
    return syncFolder(folder_) || failed(QStringLiteral("cannot flush ") + QDir(folder_).absolutePath());
}

} // namespace dravimo
