#pragma once
// A job's receipt and table commands, kept on the receipt when the paper runs
// out. A register out of paper refuses every key (DE2, DE1064 on some models)
// and books nothing it refused, so the command is held until the operator
// has loaded paper, as the error wait does, and then sent again; before, the
// item and every command after it went missing while the customer paid the
// host's total.

#include "ecr/link.h"
#include "translate/journaledlink.h"

#include <QList>

namespace dravimo {

struct EcrSession;

class PaperWaitLink : public EcrLink
{
public:
    // link: the job's journaled link; waits: a session on that same link,
    // so the wait's status questions are journaled (and replayed) like the
    // job's other commands.
    PaperWaitLink(JournaledLink &link, EcrSession &waits) : link_(link), waits_(waits) {}

    CommandResult send(const Command &command, Quiet quiet = Quiet::No, Seconds cardWait = Seconds{0}) override;
    void setConnection(const QString &connection) override;
    void close() override;
    void setRepeatsCollapsed(bool on) override { link_.setRepeatsCollapsed(on); }

private:
    bool refusedForPaper(const Command &command, qint16 code);
    QList<JournaledLink::Sent> keysArming(qsizetype refused) const;

    JournaledLink &link_;
    EcrSession &waits_;
};

} // namespace dravimo
