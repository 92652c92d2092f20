#include "control/submittedjobs.h"

#include "core/files.h"
#include "greek/cp1253.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QMutexLocker>

namespace dravimo {
namespace {

// A sweep of old jobs at most this often.
constexpr qint64 kSweepEveryMs = 3600LL * 1000;

QByteArray keyFileText(const SubmittedJob &job)
{
    return "key " + job.key.toUtf8().toPercentEncoding() + "\nbody " + job.fingerprint + "\naccepted "
        + QByteArray::number(job.acceptedMs) + '\n';
}

std::optional<SubmittedJob> parseKeyFile(const QString &id, const QByteArray &text)
{
    SubmittedJob job;
    job.id = id;
    bool accepted = false;
    for (const QByteArray &line : text.split('\n')) {
        const qsizetype space = line.indexOf(' ');
        const QByteArray name = line.left(space), value = line.mid(space + 1);
        if (space < 0)
            continue;
        if (name == "key")
            job.key = QString::fromUtf8(QByteArray::fromPercentEncoding(value));
        else if (name == "body")
            job.fingerprint = value;
        else if (name == "accepted")
            job.acceptedMs = value.toLongLong(&accepted);
    }
    if (job.key.isEmpty() || job.fingerprint.isEmpty() || !accepted)
        return std::nullopt;
    return job;
}

bool isJobNumber(const QString &name)
{
    if (name.size() < 6)
        return false;
    for (const QChar c : name) {
        if (!c.isDigit())
            return false;
    }
    return true;
}

} // namespace

QByteArray resultFileLine(const QString &resultPath)
{
    // The host's files put two characters between a directive's colon and
    // its value; the first occurrence counts, so one in the body is ignored.
    return " resFile:  " + cp1253::encode(resultPath) + "\r\n";
}

SubmittedJobs::SubmittedJobs(QString folder, int maxQueued) : folder_(std::move(folder)), maxQueued_(maxQueued)
{}

void SubmittedJobs::load(qint64 nowMs)
{
    QMutexLocker lock(&mutex_);
    QDir().mkpath(folder_);
    const QStringList keys = QDir(folder_).entryList({QStringLiteral("*.key")}, QDir::Files, QDir::Name);
    for (const QString &name : keys) {
        const QString id = name.chopped(4);
        if (!isJobNumber(id))
            continue;
        lastNumber_ = qMax(lastNumber_, id.toInt());
        QFile f(folder_ + QLatin1Char('/') + name);
        if (!f.open(QIODevice::ReadOnly))
            continue;
        auto job = parseKeyFile(id, f.readAll());
        if (!job)
            continue;
        job->state = stateOnDisk(id);
        byKey_[job->key] = id;
        jobs_[id] = *job;
    }
    // A number is never given twice, also once its job is forgotten: a job
    // put aside keeps its number in the quarantine folder for good, and a
    // host may still hold an old id.
    const QStringList asideNames = QDir(quarantine_).entryList(QDir::Files);
    for (const QString &name : asideNames) {
        const QString id = name.section(QLatin1Char('.'), 0, 0);
        if (isJobNumber(id))
            lastNumber_ = qMax(lastNumber_, id.toInt());
    }
    QFile counter(folder_ + QStringLiteral("/last-id"));
    if (counter.open(QIODevice::ReadOnly))
        lastNumber_ = qMax(lastNumber_, counter.readAll().trimmed().toInt());
    forgetOld(nowMs);
}

SubmittedJob::State SubmittedJobs::stateOnDisk(const QString &id) const
{
    if (QFileInfo::exists(printFilePath(id)))
        return SubmittedJob::State::Queued;
    return QFileInfo::exists(quarantine_ + QLatin1Char('/') + id) ? SubmittedJob::State::Quarantined
                                                                  : SubmittedJob::State::Done;
}

// A job accepted more than the keeping time ago is forgotten once it has
// ended: its key answers nothing any more, and its files go. (One still
// waiting for the register is kept until it has run.)
void SubmittedJobs::forgetOld(qint64 nowMs)
{
    lastSweepMs_ = nowMs;
    for (auto it = jobs_.begin(); it != jobs_.end();) {
        const SubmittedJob &job = it->second;
        const bool ended = job.state == SubmittedJob::State::Done || job.state == SubmittedJob::State::Quarantined;
        if (!ended || nowMs - job.acceptedMs <= kKeepMs) {
            ++it;
            continue;
        }
        removeFile(resultPath(job.id));
        removeFile(keyPath(job.id));
        byKey_.erase(job.key);
        it = jobs_.erase(it);
    }
    syncFolder(folder_);
}

SubmittedJobs::Submission SubmittedJobs::submit(const QString &key, const QByteArray &fingerprint,
                                                const QByteArray &printFile, qint64 nowMs)
{
    // One submission at a time, from the check of its key to its files on
    // disk; the state lock is held only around memory, so the job side
    // (which publishes every command's outcome) never waits for a disk flush.
    QMutexLocker submitting(&submitMutex_);
    SubmittedJob job;
    {
        QMutexLocker lock(&mutex_);
        if (nowMs - lastSweepMs_ > kSweepEveryMs)
            forgetOld(nowMs);
        if (const auto known = byKey_.find(key); known != byKey_.end()) {
            const SubmittedJob &first = jobs_.at(known->second);
            return {first.fingerprint == fingerprint ? Submission::Replayed : Submission::KeyConflict, first, {}};
        }
        int waiting = 0;
        for (const auto &[id, other] : jobs_)
            waiting += other.state == SubmittedJob::State::Queued ? 1 : 0;
        if (waiting >= maxQueued_)
            return {Submission::QueueFull, {}, {}};
        job.id = QStringLiteral("%1").arg(lastNumber_ + 1, 6, 10, QLatin1Char('0'));
    }
    job.key = key;
    job.fingerprint = fingerprint;
    job.acceptedMs = nowMs;
    // The body is saved before its key, so that a key found on disk after a
    // power cut never names a job whose body is missing. Both are flushed,
    // and so is the folder, before the host hears of it.
    if (!QDir().mkpath(folder_)
        || !saveFileSafely(printFilePath(job.id), resultFileLine(resultPath(job.id)) + printFile)
        || !saveFileSafely(keyPath(job.id), keyFileText(job)) || !syncFolder(folder_)) {
        removeFile(printFilePath(job.id));
        removeFile(keyPath(job.id));
        return {Submission::Unwritable,
                {},
                QStringLiteral("the job could not be saved in ") + QDir(folder_).absolutePath()};
    }
    // Only a hint for the numbering once every job is forgotten, so not
    // flushed: the keys on disk hold the numbers of the jobs that count.
    QFile counter(folder_ + QStringLiteral("/last-id"));
    if (counter.open(QIODevice::WriteOnly | QIODevice::Truncate))
        counter.write(job.id.toLatin1() + '\n');
    {
        QMutexLocker lock(&mutex_);
        lastNumber_ = job.id.toInt();
        jobs_[job.id] = job;
        byKey_[key] = job.id;
    }
    if (accepted_)
        accepted_();
    return {Submission::Accepted, job, {}};
}

std::optional<SubmittedJob> SubmittedJobs::job(const QString &id) const
{
    QMutexLocker lock(&mutex_);
    const auto it = jobs_.find(id);
    if (it == jobs_.end())
        return std::nullopt;
    return it->second;
}

QStringList SubmittedJobs::resultLines(const QString &id) const
{
    const auto text = readTextFile(resultPath(id));
    return text ? splitLines(*text) : QStringList();
}

int SubmittedJobs::queued() const
{
    QMutexLocker lock(&mutex_);
    int n = 0;
    for (const auto &[id, job] : jobs_)
        n += job.state == SubmittedJob::State::Queued ? 1 : 0;
    return n;
}

std::optional<SubmittedJobs::Ready> SubmittedJobs::next() const
{
    QMutexLocker lock(&mutex_);
    for (const auto &[id, job] : jobs_) {
        if (job.state == SubmittedJob::State::Queued)
            return Ready{id, printFilePath(id), job.acceptedMs};
    }
    return std::nullopt;
}

void SubmittedJobs::started(const QString &id)
{
    QMutexLocker lock(&mutex_);
    const auto it = jobs_.find(id);
    if (it == jobs_.end())
        return;
    it->second.state = SubmittedJob::State::Running;
    it->second.line = 0;
    running_ = id;
    register_.runningJob = id;
}

void SubmittedJobs::atLine(int line)
{
    QMutexLocker lock(&mutex_);
    if (const auto it = jobs_.find(running_); it != jobs_.end())
        it->second.line = line;
}

void SubmittedJobs::refresh()
{
    QMutexLocker lock(&mutex_);
    for (auto &[id, job] : jobs_) {
        if (job.state != SubmittedJob::State::Queued && job.state != SubmittedJob::State::Running)
            continue;
        const SubmittedJob::State now = stateOnDisk(id);
        // A job whose print file is still there and that ran stays running:
        // it was cut short, and is settled on the next tick.
        if (now != SubmittedJob::State::Queued)
            job.state = now;
    }
    if (const auto it = jobs_.find(running_); it == jobs_.end() || it->second.state != SubmittedJob::State::Running) {
        running_.clear();
        register_.runningJob.clear();
    }
}

QString SubmittedJobs::keyOf(const QString &path) const
{
    QMutexLocker lock(&mutex_);
    const QFileInfo file(path);
    if (QFileInfo(file.path()) != QFileInfo(folder_))
        return {};
    const auto it = jobs_.find(file.fileName());
    return it == jobs_.end() ? QString() : it->second.key;
}

RegisterSnapshot SubmittedJobs::registerSnapshot() const
{
    QMutexLocker lock(&mutex_);
    return register_;
}

void SubmittedJobs::publish(const std::function<void(RegisterSnapshot &)> &change)
{
    QMutexLocker lock(&mutex_);
    change(register_);
}

} // namespace dravimo
