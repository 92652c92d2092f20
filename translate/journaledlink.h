#pragma once
// The link a job talks to the register through: every reply goes into the job
// journal before the next command goes out, and a job being recovered gets
// the replies its first run already had, without anything being sent again.

#include "ecr/link.h"
#include "journal/jobjournal.h"

#include <QList>
#include <QString>
#include <QStringList>

#include <optional>

namespace dravimo {

// Thrown by a link that only replays, when the job asks for the first
// command that was not answered before the crash.
struct CommandInFlight
{
    Command command;
    Seconds cardWait{0};
    int index = 0;
    int lineStart = 0;
};

class ResultFile;

class JournaledLink : public EcrLink
{
public:
    // journal: null when the journal is off (the replies are only counted).
    // results: the job's result file, whose lines are made durable before
    // each command goes out.
    JournaledLink(EcrLink &link, JobJournal *journal, ResultFile *results = nullptr)
        : link_(link), journal_(journal), results_(results)
    {}

    // The replies a recovered job starts with. dryRun: stop at the first
    // command beyond them (CommandInFlight is thrown) instead of sending it.
    // inFlight: the index of the command the first run died on, if known.
    // firstRun: the commands the first run sent, the one it died on last;
    // the job is where its first run had been only while it sends the same.
    void replay(QList<JournalReply> replies, bool dryRun, int inFlight = -1, QList<Command> firstRun = {});
    // Whether the job is still where its first run had been: what it writes
    // to the result file now, the first run wrote already. That holds until
    // the job asks for the command the first run died on.
    // A receipt sent again after a cancel may take fewer commands than the
    // first time (no error to wait out): the first command that differs from
    // the first run's ends the replay, or the outcome lines would be lost.
    bool replaying() const { return next_ < replay_.size() || (!diverged_ && next_ <= inFlight_); }
    bool dryRun() const { return dryRun_; }

    // The job starts reading another print-file line: a command that must be
    // sent again is sent again with the whole of its line.
    void lineStarts() { lineStart_ = next_; }

    // Every command sent or replayed so far, with its line's first index.
    struct Sent
    {
        Command command;
        int lineStart = 0;
        qint16 code = 0; // the command's outcome (0 while it is in flight)
        // Sent quietly: a refusal its sender expects and deals with itself.
        bool quiet = false;
        // Refused, then sent again: its refusal does not stand.
        bool sentAgain = false;
    };
    const QList<Sent> &sent() const { return sent_; }
    // The command at `index` of sent() is sent again (its refusal waited out).
    void markSentAgain(qsizetype index)
    {
        if (index >= 0 && index < sent_.size())
            sent_[index].sentAgain = true;
    }

    CommandResult send(const Command &command, Quiet quiet = Quiet::No, Seconds cardWait = Seconds{0}) override;
    // Makes the result lines so far durable; throws JobInterrupted when a
    // line or the flush failed (only with a journal: without one nothing
    // would settle the job afterwards).
    void settleWrites();
    void setConnection(const QString &connection) override { link_.setConnection(connection); }
    void close() override { link_.close(); }
    void setRepeatsCollapsed(bool on) override { link_.setRepeatsCollapsed(on); }

private:
    EcrLink &link_;
    JobJournal *journal_;
    ResultFile *results_;
    QList<JournalReply> replay_;
    bool dryRun_ = false;
    int inFlight_ = -1;
    QList<Command> firstRun_;
    bool diverged_ = false;
    int next_ = 0;
    int lineStart_ = 0;
    QList<Sent> sent_;
};

// How a recovered job starts: the replies its first run had, and whether it
// only looks for the first command that had none.
struct ResumePoint
{
    QList<JournalReply> replies;
    bool dryRun = false;
    // The index of the command the first run died on; -1 when none.
    int diedOn = -1;
    // The commands the first run sent, up to the one it died on.
    QList<Command> firstRun;
    // The first run began by cancelling a receipt an earlier job left open.
    bool settleLeftOpen = false;
    // Filled by a dry run: the commands replayed, and the one in flight.
    QList<JournaledLink::Sent> sent;
    std::optional<CommandInFlight> inFlight;
    // The first run stopped before its result file had its header.
    bool writeHeader = false;
    // The first run began by putting aside a table an earlier job left open
    // for keying (-1: none).
    int settleTable = -1;
};

} // namespace dravimo
