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
    void append(const QString &line) const
    {
        appendLine(path_, line);
        if (line.startsWith(QLatin1String("ccPay")))
            ++cardAcknowledgements_;
    }
    // How many card acknowledgements ("ccPay") were appended in this run:
    // recovery tells by it whether a card's approval has come in.
    int cardAcknowledgements() const { return cardAcknowledgements_; }

private:
    QString path_;
    mutable int cardAcknowledgements_ = 0;
};

} // namespace dravimo
