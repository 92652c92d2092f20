#include "translate/paperwaitlink.h"

#include "ecr/errorwait.h"
#include "ecr/queries.h"
#include "ecr/session.h"
#include "translate/journaledlink.h"

namespace dravimo {
namespace {

// A register that refuses for paper again right after reporting it loaded
// gets a few more waits, not an endless loop: the refusal then stands and
// the job reports the receipt without the command.
constexpr int kResendsAfterPaper = 3;

// Commands that key the receipt or a table: held, not dropped, when the
// paper is out. A card payment is not among them: its terminal may already
// have charged the card.
bool keysReceiptOrTable(CommandKind kind)
{
    switch (kind) {
    case CommandKind::ReceiptItem:
    case CommandKind::Modifier:
    case CommandKind::Payment:
    case CommandKind::CancelReceipt:
    case CommandKind::TableOpen:
    case CommandKind::TablePark:
    case CommandKind::TableMove:
    case CommandKind::PayTable: return true;
    default: return false;
    }
}

} // namespace

CommandResult PaperWaitLink::send(const Command &command, Quiet quiet, Seconds cardWait)
{
    CommandResult r = link_.send(command, quiet, cardWait);
    for (int resend = 0; resend < kResendsAfterPaper; ++resend) {
        const qsizetype refused = link_.sent().size() - 1;
        // A command the host wrote itself goes out once at most (it is not
        // among those held for paper).
        if (refused < 0 || !refusedForPaper(command, r.code))
            break;
        const QList<JournaledLink::Sent> armedBefore = keysArming(refused);
        waitUntilEcrErrorCleared(waits_);
        link_.markSentAgain(refused);
        for (const JournaledLink::Sent &key : armedBefore)
            send(key.command, key.quiet ? Quiet::Yes : Quiet::No);
        r = link_.send(command, quiet, cardWait);
    }
    return r;
}

// The keys of the same print-file line that armed the refused command: the
// clear after the refusal dropped them, and without them a discount would go
// in as a surcharge, two units as one, a refund as a sale.
QList<JournaledLink::Sent> PaperWaitLink::keysArming(qsizetype refused) const
{
    const QList<JournaledLink::Sent> &sent = link_.sent();
    qsizetype first = refused;
    while (first > 0 && sent.at(first - 1).lineStart == sent.at(refused).lineStart
           && sent.at(first - 1).code == result::Ok && sent.at(first - 1).command.armsNext)
        --first;
    return sent.mid(first, refused - first);
}

// Paper out by its own codes, or any refusal while the register's status
// says the paper is out (a register may name the key it refused instead).
bool PaperWaitLink::refusedForPaper(const Command &command, qint16 code)
{
    if (code <= 0 || !keysReceiptOrTable(command.kind))
        return false;
    if (isPaperOut(code))
        return true;
    // A refused cancel has its own meaning (the receipt holds a payment),
    // which the canceller reads itself.
    if (command.kind == CommandKind::CancelReceipt)
        return false;
    const qint16 status = EcrQueries(link_, waits_.numbers).status();
    return isPaperOut(status);
}

void PaperWaitLink::setConnection(const QString &connection)
{
    link_.setConnection(connection);
}

void PaperWaitLink::close()
{
    link_.close();
}

} // namespace dravimo
