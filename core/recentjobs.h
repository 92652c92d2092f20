#pragma once
// The last jobs the program ran, newest first, for the status page: what the
// host read in each job's result file, kept in memory only. Written by the
// job side, read by the HTTP interface's thread.

#include <QDateTime>
#include <QMutex>
#include <QString>
#include <QStringList>

#include <deque>
#include <vector>

namespace dravimo {

struct JobRecord
{
    QString tag;
    QDateTime ended;
    int exitCode = -1;  // -1: the job never wrote "exitcode = " (put aside)
    QString receipt;    // the "receipt = " line's value
    QStringList errors; // the "Err = " lines' values
};

// The record of a job from its result file's lines: the last job's part
// (from its last "tag = " line on), as a result file may hold many jobs.
JobRecord jobRecordFromResult(const QStringList &lines);
// The same from the file's last 64 KB: a host that keeps one result file for
// every job makes it grow without end, and the last job is at its end.
JobRecord jobRecordFromResultFile(const QString &path);

class RecentJobs
{
public:
    static constexpr std::size_t kKept = 50;

    void add(JobRecord record);
    std::vector<JobRecord> newestFirst() const;

private:
    mutable QMutex mutex_;
    std::deque<JobRecord> jobs_;
};

} // namespace dravimo
