#include "core/recentjobs.h"

#include "core/files.h"
#include "greek/cp1253.h"

#include <QFile>
#include <QMutexLocker>

namespace dravimo {

JobRecord jobRecordFromResult(const QStringList &lines)
{
    JobRecord r;
    qsizetype from = 0;
    for (qsizetype i = lines.size() - 1; i >= 0; --i) {
        if (lines[i].startsWith(QLatin1String("tag = "))) {
            from = i;
            break;
        }
    }
    for (qsizetype i = from; i < lines.size(); ++i) {
        const QString &line = lines[i];
        const QString value = line.section(QLatin1String(" = "), 1);
        if (line.startsWith(QLatin1String("tag = ")))
            r.tag = value;
        else if (line.startsWith(QLatin1String("Err = ")))
            r.errors.append(value);
        else if (line.startsWith(QLatin1String("receipt = ")))
            r.receipt = value;
        else if (line.startsWith(QLatin1String("exitcode = ")))
            r.exitCode = value.trimmed().toInt();
    }
    return r;
}

JobRecord jobRecordFromResultFile(const QString &path)
{
    constexpr qint64 kTail = 64 * 1024;
    QFile f(path);
    if (!f.open(QIODevice::ReadOnly))
        return {};
    const qint64 size = f.size();
    if (size > kTail)
        f.seek(size - kTail);
    return jobRecordFromResult(splitLines(cp1253::decode(f.read(kTail))));
}

void RecentJobs::add(JobRecord record)
{
    QMutexLocker lock(&mutex_);
    jobs_.push_front(std::move(record));
    while (jobs_.size() > kKept)
        jobs_.pop_back();
}

std::vector<JobRecord> RecentJobs::newestFirst() const
{
    QMutexLocker lock(&mutex_);
    return {jobs_.begin(), jobs_.end()};
}

} // namespace dravimo
