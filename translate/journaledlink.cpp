#include "translate/journaledlink.h"

#include "core/resultfile.h"

namespace dravimo {
void JournaledLink::replay(QList<JournalReply> replies, bool dryRun, int inFlight, QList<Command> firstRun)
{
    replay_ = std::move(replies);
    dryRun_ = dryRun;
    inFlight_ = inFlight;
    firstRun_ = std::move(firstRun);
}

CommandResult JournaledLink::send(const Command &command, Quiet quiet, Seconds cardWait)
{
    const int index = next_;
    if (index < replay_.size()) {
        ++next_;
        sent_.append({command, lineStart_, replay_[index].code, quiet == Quiet::Yes});
        return {replay_[index].code, replay_[index].reply};
    }
    if (dryRun_)
        throw CommandInFlight{command, cardWait, index, lineStart_};
    if (index <= inFlight_ && (index >= firstRun_.size() || firstRun_[index] != command))
        diverged_ = true;
    settleWrites();
    if (journal_ && cardWait > Seconds{0} && !journal_->recordCardSent())
        throw JobInterrupted{journal_->lastError()};
    sent_.append({command, lineStart_, result::Ok, quiet == Quiet::Yes});
    ++next_;
    if (journal_)
        journal_->crashPoints().reach("before-send");
    // Only with a journal: without one nothing would settle the command, so
    // on silence it is sent again, with the exchange's attempts.
    const bool once = journal_ && changesRegister(command.kind);
    CommandResult r = once ? link_.sendOnce(command, quiet, cardWait) : link_.send(command, quiet, cardWait);
    if (once && r.code == result::NoAnswer) {
        if (!journal_->recordReplyLost())
            throw JobInterrupted{journal_->lastError()};
        throw ReplyLost{command.text};
    }
    sent_.last().code = r.code;
    if (journal_) {
        journal_->crashPoints().reach("after-reply");
        // The lines this command wrote (a refusal, a card acknowledgement)
        // are on disk before the journal says it was answered.
        settleWrites();
        if (!journal_->recordReply({r.code, r.reply, results_ ? results_->size() : -1}))
            throw JobInterrupted{journal_->lastError()};
    }
    return r;
}

void JournaledLink::settleWrites()
{
    if (!journal_ || !results_)
        return;
    if (!results_->sync() || !results_->failure().isEmpty())
        throw JobInterrupted{results_->failure()};
}

} // namespace dravimo
