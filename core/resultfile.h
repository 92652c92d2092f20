#pragma once
// The result file of the current job: the host reads a job's outcome there,
// and every failure the register reports while the job runs ("Err = " lines,
// register errors, card acknowledgements) is appended to it. The job names it
// in its print file; it stays the target after the job, so a failure of a
// later report still reaches the host, and it is empty until the first job.
//
// A line the system will not let us write (a folder the service may not write
// to, a full disk) is not dropped in silence: it goes to the failure report,
// with the file and the reason, so that whoever watches can still read the
// job's outcome.

#include <QString>

#include <functional>

namespace dravimo {

class ResultFile
{
public:
    QString path() const { return path_; }
    void setPath(const QString &path) { path_ = path; }
    // Appends one line (CR LF ended, Windows-1253); nothing without a path.
    void append(const QString &line) const;
    // How many card acknowledgements ("ccPay") were appended in this run:
    // recovery tells by it whether a card's approval has come in.
    int cardAcknowledgements() const { return cardAcknowledgements_; }

    // Told of every line that could not be written: the path, the line, why.
    using FailureReport = std::function<void(const QString &path, const QString &line, const QString &why)>;
    void setFailureReport(FailureReport report) { report_ = std::move(report); }

private:
    QString path_;
    FailureReport report_;
    mutable int cardAcknowledgements_ = 0;
};

} // namespace dravimo
