#pragma once
// The register link with every command's outcome published for the HTTP
// interface: whether the register answers, its last status, paper, a Z report
// due, an open receipt or table, its receipt and Z numbers. It adds nothing
// to the line: it only watches the commands the job side sends anyway (the
// jobs' status questions, "KXRE" and "KX?TO" at each job's start and end, the
// ECR check), so the interface never has to ask the register itself.

#include "core/numbers.h"
#include "ecr/link.h"

namespace dravimo {

class Clock;
class Metrics;
class SubmittedJobs;

class PublishingLink : public EcrLink
{
public:
    PublishingLink(EcrLink &link, SubmittedJobs &jobs, Clock &clock, NumberFormat numbers)
        : link_(link), jobs_(jobs), clock_(clock), numbers_(numbers)
    {}

    CommandResult send(const Command &command, Quiet quiet = Quiet::No, Seconds cardWait = Seconds{0}) override;
    CommandResult sendOnce(const Command &command, Quiet quiet = Quiet::No, Seconds cardWait = Seconds{0}) override;
    void setConnection(const QString &connection) override { link_.setConnection(connection); }
    void close() override { link_.close(); }
    void setRepeatsCollapsed(bool on) override { link_.setRepeatsCollapsed(on); }

    // Where every command's kind, outcome and round trip are counted too.
    void setMetrics(Metrics *metrics) { metrics_ = metrics; }

private:
    void publish(const Command &command, const CommandResult &r);
    void count(const Command &command, const CommandResult &r, qint64 startedMs);

    EcrLink &link_;
    SubmittedJobs &jobs_;
    Clock &clock_;
    NumberFormat numbers_;
    Metrics *metrics_ = nullptr;
};

} // namespace dravimo
