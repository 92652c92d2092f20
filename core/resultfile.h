#pragma once
// The result file of the current job: the host reads a job's outcome there,
// and every failure the register reports while the job runs ("Err = " lines,
// register errors, card acknowledgements) is appended to it. The job names it
// in its print file; it stays the target after the job, so a failure of a
// later report still reaches the host, and it is empty until the first job.

#include "core/files.h"

#include <QString>

namespace dravimo {

class ResultFile
{
public:
    QString path() const { return path_; }
    void setPath(const QString &path) { path_ = path; }
    // Appends one line (CR LF ended, Windows-1253); nothing without a path.
    void append(const QString &line) const { appendLine(path_, line); }

private:
    QString path_;
};

} // namespace dravimo
