#pragma once
// The link to the register as the translator, the payments and the controller
// use it: one command out, its outcome back. The exchange implements it over a
// serial or UDP transport; tests implement it with a scripted register.

#include "core/clock.h"
#include "ecr/commands.h"

#include <QString>
#include <QtGlobal>

namespace dravimo {

// Whether the operator is shown a register that does not answer or refuses
// a command. Quiet commands report only through their result (and the
// result file and the communication log).
enum class Quiet { No, Yes };

// Outcome codes of a command besides the register's own (positive) errors.
namespace result {
constexpr qint16 Ok = 0;
constexpr qint16 PortFailed = -1;      // the serial device cannot be opened, a datagram not sent
constexpr qint16 PortSetupFailed = -2; // the serial line settings cannot be applied
constexpr qint16 NoAnswer = -4;
constexpr qint16 Unreadable = -99; // an error reply whose code cannot be read
} // namespace result

struct CommandResult
{
    // 0 success, a positive register error code, or one of result::.
    qint16 code = result::Ok;
    // The reply (CR and EOT removed), the error code in decimal, or the
    // failure message.
    QString reply;

    bool ok() const { return code == result::Ok; }
};

class EcrLink
{
public:
    virtual ~EcrLink() = default;

    // Sends one command and collects its reply. cardWait: how long to wait
    // for a second, asynchronous reply (a card terminal's outcome); zero for
    // every ordinary command. A failure is also written as an "Err = " line to
    // the current result file.
    virtual CommandResult send(const Command &command, Quiet quiet = Quiet::No, Seconds cardWait = Seconds{0}) = 0;
    // The same for a command that changes the register: it goes out once.
    // Without a whole reply in its answer window it may still have been
    // carried out, so it is not sent again; the result is result::NoAnswer
    // with nothing shown and no "Err = " line, and the caller settles it as a
    // crash at that command. A link that cannot tell sends as send() does.
    virtual CommandResult sendOnce(const Command &command, Quiet quiet = Quiet::No, Seconds cardWait = Seconds{0})
    {
        return send(command, quiet, cardWait);
    }

    // Where the link goes when it opens (the port or IP address, ":", the
    // baud rate or network port). The link opens once, with the first
    // command; later changes only decide how close() ends it.
    virtual void setConnection(const QString &connection) { Q_UNUSED(connection); }
    // Closes the link at program exit; the next command opens it afresh.
    virtual void close() {}
    // While on, a failure whose "Err = " line would repeat the one before it
    // (the same command, the same code) writes none: a wait that asks the
    // same question every few seconds leaves a line per change of the
    // answer, not thousands a day.
    virtual void setRepeatsCollapsed(bool on) { Q_UNUSED(on); }
};

// Collapses repeated failure lines for as long as it lives.
class CollapsedRepeats
{
public:
    explicit CollapsedRepeats(EcrLink &link) : link_(link) { link_.setRepeatsCollapsed(true); }
    ~CollapsedRepeats() { link_.setRepeatsCollapsed(false); }
    CollapsedRepeats(const CollapsedRepeats &) = delete;
    CollapsedRepeats &operator=(const CollapsedRepeats &) = delete;

private:
    EcrLink &link_;
};

} // namespace dravimo
