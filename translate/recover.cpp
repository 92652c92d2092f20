// Settling a job that a crash or a power cut cut short. The journal holds
// every reply the job had; the one command that may have been in flight is
// settled by asking the register what really happened, never by sending it
// again on a guess. The job then goes on from there: the lines before are
// replayed without sending anything, so its state (the open table, the
// footer, the transfer flags) is what it would have been.
#include "translate/translator.h"

#include "core/clock.h"
#include "core/files.h"
#include "core/resultfile.h"
#include "core/window.h"
#include "ecr/errorwait.h"
#include "ecr/queries.h"
#include "ecr/session.h"
#include "greek/cp1253.h"
#include "journal/jobjournal.h"
#include "payments/cardpayment.h"
#include "translate/journaledlink.h"
#include "translate/printfile.h"

#include <QDateTime>
#include <QDir>
#include <QFile>
#include <QFileInfo>

namespace dravimo {
namespace {

// A print file that brings the program down again and again is not tried a
// fourth time: a service restarted on failure must not loop on it.
constexpr int kMostAttempts = 3;

// A cancel the register refuses goes again this many times (after a wait
// for paper when it was refused for paper), not in an endless loop.
constexpr int kCancelResends = 2;

// The codes of the "Err = " lines recovery writes: a command the host wrote
// itself that is not sent a second time, and a print file put aside.
constexpr qint16 kNotRepeated = -6;
constexpr qint16 kQuarantined = -5;

bool silent(qint16 code)
{
    return code == result::NoAnswer || code == result::PortFailed || code == result::PortSetupFailed;
}

// Where the receipt open on the register began: the first line that keyed
// into it since the last payment, cancel, report or table change. -1 when
// the job had not begun one.
int receiptStartLine(const QList<JournaledLink::Sent> &sent, const QList<JournalReply> &replies,
                     const CommandInFlight &inFlight)
{
    int start = -1;
    const auto account = [&start](const Command &command, int lineStart, bool done) {
        switch (command.kind) {
        case CommandKind::Payment:
        case CommandKind::CardPayment:
        case CommandKind::CancelReceipt:
        case CommandKind::Report:
        case CommandKind::TableOpen:
        case CommandKind::TablePark:
            if (done)
                start = -1;
            break;
        default:
            if (keysReceipt(command.kind) && start < 0)
                start = lineStart;
            break;
        }
    };
    for (qsizetype i = 0; i < sent.size() && i < replies.size(); ++i)
        account(sent[i].command, sent[i].lineStart, replies[i].code == result::Ok);
    account(inFlight.command, inFlight.lineStart, false);
    return start;
}

// Whether the receipt took a payment the journal saw answered, after its
// last item.
bool paymentsBooked(const QList<JournaledLink::Sent> &sent, const QList<JournalReply> &replies)
{
    for (qsizetype i = qMin(sent.size(), replies.size()) - 1; i >= 0; --i) {
        const CommandKind kind = sent[i].command.kind;
        if ((kind == CommandKind::Payment || kind == CommandKind::CardPayment) && replies[i].code == result::Ok)
            return true;
        if (keysReceipt(kind))
            return false;
    }
    return false;
}

int zNumber(const QString &receiptNumbersReply)
{
    return receiptNumbersReply.section(QLatin1Char(':'), 1, 1).toInt();
}

QString resultFileOf(const QByteArray &bytes)
{
    return directiveValue(cp1253::decode(bytes), QStringLiteral("resFile:"), kDefaultResultFile);
}

} // namespace

bool Translator::approvalSeen() const
{
    return ecr_.results.cardAcknowledgements() > cardAcknowledgementsBefore_;
}

Recovery Translator::recover(const JournalEntry &entry, const TranslationOptions &options, bool afterRestart)
{
    const auto bytes = [&]() -> std::optional<QByteArray> {
        QFile f(entry.path);
        if (!f.open(QIODevice::ReadOnly))
            return std::nullopt;
        return f.readAll();
    }();
    const bool sameFile = bytes && fingerprintOf(*bytes) == entry.fingerprint;
    if (sameFile) {
        // The job started with a result file it could use; one swapped since
        // for something else is not written to either.
        const QString named = resultFileOf(*bytes);
        ecr_.results.setPath(ecr_.results.refusal(named) ? kDefaultResultFile : named);
    }
    ecr_.results.clearFailure();
    cardAcknowledgementsBefore_ = ecr_.results.cardAcknowledgements();
    // Nothing is asked of the register while the journal cannot be written:
    // whatever recovery did then could not be recorded.
    if (!journal_->begin(entry))
        return {Recovery::Outcome::Unwritable, journal_->lastError()};
    // The register first: a silent one (the power cut may have taken it too)
    // leaves the entry as it is, to be tried again. A key would abandon a
    // card payment the terminal may still be working on; a question does not.
    const Command contact = entry.cardInFlight ? ecrcommand::status() : ecrcommand::clear();
    if (silent(ecr_.link.send(contact, Quiet::Yes).code))
        return {Recovery::Outcome::EcrSilent, QString()};

    JournalEntry e = entry;
    if (afterRestart) {
        ++e.attempt;
        if (!journal_->begin(e))
            return {Recovery::Outcome::Unwritable, journal_->lastError()};
    }
    journal_->crashPoints().reach("recovery-start");
    if (e.outcomeWritten) // only the footer was left: it is printed once at most
        return {
            Recovery::Outcome::Finished,
            QStringLiteral("η εργασία του αρχείου %1 είχε ολοκληρωθεί· το υποσέλιδο δεν τυπώνεται ξανά").arg(e.path)};
    if (e.attempt > kMostAttempts) {
        if (!e.cardInFlight)
            cancelOpenReceipt();
        return quarantineJob(e.path,
                             QStringLiteral("το πρόγραμμα σταμάτησε %1 φορές σε αυτή την εργασία").arg(kMostAttempts));
    }
    if (!sameFile) {
        if (!e.cardInFlight)
            cancelOpenReceipt();
        return {Recovery::Outcome::Dropped,
                QStringLiteral("η διακοπείσα εργασία του αρχείου %1 εγκαταλείφθηκε: το αρχείο εκτύπωσης %2")
                    .arg(e.path, bytes ? QStringLiteral("άλλαξε") : QStringLiteral("λείπει"))};
    }
    return settleInFlight(e, *bytes, options);
}

// An open receipt that took no payment yet goes; one with payments stays
// (the register refuses to cancel it anyway).
void Translator::cancelOpenReceipt()
{
    EcrQueries queries(ecr_.link, ecr_.numbers);
    if (queries.confirmedStatus() == ecrstatus::ReceiptOpen)
        ecr_.link.send(ecrcommand::cancelReceipt(), Quiet::Yes);
}

QString Translator::quarantineTarget(const QString &path) const
{
    QDir().mkpath(quarantineFolder);
    QString target = quarantineFolder + QLatin1Char('/') + QFileInfo(path).fileName();
    if (QFileInfo::exists(target))
        target += QLatin1Char('.') + ecr_.clock.wallNow().toString(QStringLiteral("yyyyMMddHHmmss"));
    return QFileInfo(target).absoluteFilePath();
}

void Translator::appendQuarantined(const QString &where)
{
    ecr_.results.append(QStringLiteral("Err = %1, [%2] DateTime = %3")
                            .arg(kQuarantined)
                            .arg(where, formatDateTime(ecr_.clock.wallNow())));
}

Recovery Translator::quarantined(const QString &path, const QString &why, const QString &where) const
{
    return {Recovery::Outcome::Quarantined,
            QStringLiteral("Η εργασία του αρχείου ") + path + QStringLiteral(" δεν ολοκληρώθηκε (") + why
                + QStringLiteral("). Το αρχείο φυλάχτηκε στο ") + where
                + QStringLiteral(": ελέγξτε την ταμειακή και το τερματικό καρτών πριν το ξαναστείλετε.")};
}

Recovery Translator::quarantine(const QString &path, const QString &why)
{
    const QString target = quarantineTarget(path);
    const bool moved = QFileInfo::exists(path) && QFile::rename(path, target);
    const QString where = moved ? target : path;
    appendQuarantined(where);
    if (putAside)
        putAside();
    return quarantined(path, why, where);
}

// A job put aside still ends in its result file as every job does: after
// its "Err = -5" line the host reads "exitcode = 1", all of it written before
// the print file leaves the folder (a host takes a print file gone as its
// outcome being there). A receipt the register still holds is noted as left
// open, so the next job neither keys into it (its sales and payments would
// land on this job's receipt) nor starts until it is settled: cancelled when
// it holds no payment, else finished by the operator, who was told to look
// at the register and the card terminal. A print file that cannot be moved
// keeps the entry, which now says the outcome is written: the next try
// removes the file instead of running it again.
Recovery Translator::quarantineJob(const QString &path, const QString &why)
{
    const QString target = quarantineTarget(path);
    appendQuarantined(target);
    EcrQueries queries(ecr_.link, ecr_.numbers);
    // A pending error (paper out) hides an open receipt: anything but "no
    // receipt" is noted, and the next job asks again before it cancels.
    const bool receiptOpen = queries.confirmedStatus() != ecrstatus::Ready;
    ecr_.results.append(QStringLiteral("DateTime end = ") + formatDateTime(ecr_.clock.wallNow()));
    ecr_.results.append(QStringLiteral("recStatus = 0;"));
    ecr_.results.append(QStringLiteral("receipt = ") + queries.receiptNumbers() + QStringLiteral(", 0\r\nexitcode = 1"));
    if (!ecr_.results.sync() || !ecr_.results.failure().isEmpty())
        return {Recovery::Outcome::Unwritable, ecr_.results.failure()};
    if (!journal_->recordOutcome(receiptOpen, -1))
        return {Recovery::Outcome::Unwritable, journal_->lastError()};
    if (QFileInfo::exists(path) && !QFile::rename(path, target))
        return {Recovery::Outcome::Unwritable, QStringLiteral("το αρχείο %1 δεν μετακινείται στο %2").arg(path, target)};
    if (jobEnded)
        jobEnded(ecr_.results.path(), 1, -1);
    if (putAside)
        putAside();
    return quarantined(path, why, target);
}

// The register's answer to whether the daily Z report in flight was printed:
// its Z number has moved past the one before the job and the Z reports the
// job had already seen through.
bool Translator::zReportDone(const JournalEntry &e, const ResumePoint &dry)
{
    int done = 0;
    for (const auto &s : dry.sent)
        done += s.command == ecrcommand::dailyZReport() ? 1 : 0;
    const int now = zNumber(ecr_.link.send(ecrcommand::receiptNumbers(), Quiet::Yes).reply);
    return now > zNumber(e.numbersBefore) + done;
}

// An item for an open table starts its line with a question for the table's
// total: a total that has changed since says the item is there.
bool Translator::tableItemArrived(const JournalEntry &e, const ResumePoint &dry)
{
    const CommandInFlight &c = *dry.inFlight;
    if (!keysReceipt(c.command.kind) || c.lineStart >= c.index)
        return false;
    const Command question = dry.sent.value(c.lineStart).command;
    if (question.kind != CommandKind::TableTotal)
        return false;
    return ecr_.link.send(question, Quiet::Yes).reply != e.replies.value(c.lineStart).reply;
}

// Decides the command in flight from what the register says, and leaves in
// `replies` what the job goes on from: the replies up to where it sends again,
// or one more for a command the register has carried out. A Recovery comes
// back when the job cannot go on.
std::optional<Recovery> Translator::settleCommand(const JournalEntry &e, const ResumePoint &dry,
                                                  QList<JournalReply> &replies)
{
    const CommandInFlight &c = *dry.inFlight;
    const auto skip = [&replies] { replies.append(JournalReply{result::Ok, QString(), -1}); };
    const auto resendFrom = [&replies](int index) { replies = replies.mid(0, index); };
    if (c.command.kind == CommandKind::Raw) {
        // The host's own command may have done anything: never twice. One
        // that went out and lost its reply is told as the register's silence.
        const qint16 code = e.replyLost ? result::NoAnswer : kNotRepeated;
        ecr_.results.append(QStringLiteral("Err = %1, [%2] DateTime = %3")
                                .arg(code)
                                .arg(c.command.text, formatDateTime(ecr_.clock.wallNow())));
        replies.append(JournalReply{code, QString(), -1});
        return std::nullopt;
    }
    EcrQueries queries(ecr_.link, ecr_.numbers);
    // A pending error (paper out, a Z report due) hides an open receipt.
    waitUntilEcrErrorCleared(ecr_);
    qint16 status = queries.confirmedStatus();
    if (status == ecrstatus::NoStatus)
        return Recovery{Recovery::Outcome::EcrSilent, QString()};
    const auto cancelAndResend = [&] { return this->cancelAndResend(e, dry, replies); };
    switch (c.command.kind) {
    case CommandKind::CardPayment:
        // The card mark goes into the journal before the command goes to
        // the terminal: without it, nothing was charged.
        if (c.cardWait > Seconds{0} && !e.cardInFlight) {
            resendFrom(c.index);
            break;
        }
        // The approval may be waiting, or the terminal still at work.
        if (status == ecrstatus::ReceiptOpen && !approvalSeen()) {
            ecr_.link.send(ecrcommand::status(), Quiet::Yes, kCardOutcomeWait);
            status = queries.confirmedStatus();
        }
        if (status != ecrstatus::Ready && !approvalSeen())
            return quarantineJob(e.path,
                                 QStringLiteral("άγνωστη η έκβαση της πληρωμής με κάρτα %1").arg(c.command.text));
        skip();
        break;
    case CommandKind::Payment:
        // No receipt open: the payment closed it. Still open and cancelled:
        // nothing was booked, the receipt goes again. Still open and the
        // cancel refused: this payment is in it.
        if (status != ecrstatus::Ready && paymentsBooked(dry.sent, e.replies))
            return quarantineJob(e.path, QStringLiteral("άγνωστο αν καταχωρήθηκε η πληρωμή %1").arg(c.command.text));
        if (status == ecrstatus::Ready || !cancelAndResend())
            skip();
        break;
    case CommandKind::Report:
        if (c.command == ecrcommand::dailyZReport() && zReportDone(e, dry))
            skip();
        else
            resendFrom(c.lineStart);
        break;
    case CommandKind::Question:
    case CommandKind::TableTotal:
    case CommandKind::Clear:
        resendFrom(c.index); // a question changes nothing: ask it again
        break;
    default:
        if (status == ecrstatus::ReceiptOpen) {
            if (!cancelAndResend())
                resendFrom(c.lineStart);
        } else if (tableItemArrived(e, dry)) {
            skip();
        } else {
            resendFrom(c.lineStart);
        }
        break;
    }
    return std::nullopt;
}

// Cancelling is also the question whether a payment is booked: the register
// refuses to cancel a receipt that holds one. What recovery is about to do is
// recorded first: killed right after the cancel (or its reply lost), the next
// start finds "cancel pending" and a register without an open receipt, and
// knows that the receipt must go again from its first line, not from the
// line that was in flight. False when the register refused the cancel. The
// cancel goes out once: sent again after its reply was lost, it would be
// refused (the first one had cancelled the receipt) and read as a receipt
// holding a payment; without a reply the register is asked on the next try.
// A refused cancel booked nothing, and one stray refusal must not read as a
// receipt that cannot be cancelled (the command in flight would then be keyed
// a second time): it is sent again, three times in all, after the paper is
// loaded when it was refused for paper.
bool Translator::cancelAndResend(const JournalEntry &e, const ResumePoint &dry, QList<JournalReply> &replies)
{
    const CommandInFlight &c = *dry.inFlight;
    const int start = receiptStartLine(dry.sent, e.replies, c);
    JournalEntry pending = e;
    pending.cancelResumeAt = start < 0 ? c.lineStart : start;
    if (!journal_->begin(pending))
        throw JobInterrupted{journal_->lastError()};
    journal_->crashPoints().reach("recovery-before-cancel");
    CommandResult r = ecr_.link.sendOnce(ecrcommand::cancelReceipt(), Quiet::Yes);
    for (int resend = 0; resend < kCancelResends && r.code > 0; ++resend) {
        if (isPaperOut(r.code))
            waitUntilEcrErrorCleared(ecr_);
        r = ecr_.link.sendOnce(ecrcommand::cancelReceipt(), Quiet::Yes);
    }
    journal_->crashPoints().reach("recovery-after-cancel");
    if (silent(r.code))
        throw ReplyLost{ecrcommand::cancelReceipt().text};
    const bool cancelled = r.ok();
    if (cancelled)
        replies = replies.mid(0, pending.cancelResumeAt);
    return cancelled;
}

// A cancel recovery recorded before it was sent: a register with no receipt
// open now carried it out. Nothing when the register does not answer.
std::optional<bool> Translator::pendingCancelDone()
{
    waitUntilEcrErrorCleared(ecr_);
    const qint16 status = EcrQueries(ecr_.link, ecr_.numbers).confirmedStatus();
    if (status == ecrstatus::NoStatus)
        return std::nullopt;
    return status == ecrstatus::Ready;
}

Recovery Translator::settleInFlight(JournalEntry &e, const QByteArray &bytes, const TranslationOptions &options)
{
    try {
        return resumeJob(e, bytes, options);
    } catch (const JobInterrupted &stopped) {
        return {Recovery::Outcome::Unwritable, stopped.why};
    } catch (const ReplyLost &) {
        // What the settling sent is in the entry; the command whose reply
        // went missing is settled on the next try like any other.
        return {Recovery::Outcome::EcrSilent, QString()};
    }
}

Recovery Translator::resumeJob(JournalEntry &e, const QByteArray &bytes, const TranslationOptions &options)
{
    ResumePoint dry{e.replies, true, -1, {}, e.settleLeftOpen, {}, std::nullopt};
    dry.settleTable = e.settleTable;
    runJob(e.path, bytes, options, &dry);
    QList<JournalReply> replies = e.replies;
    if (dry.inFlight) {
        const auto cancelDone = e.cancelResumeAt >= 0 ? pendingCancelDone() : std::optional<bool>(false);
        if (!cancelDone)
            return {Recovery::Outcome::EcrSilent, QString()};
        if (*cancelDone)
            replies = replies.mid(0, e.cancelResumeAt);
        else if (auto stop = settleCommand(e, dry, replies))
            return *stop;
    }
    e.replies = replies;
    e.cardInFlight = false;
    e.cancelResumeAt = -1;
    if (!journal_->begin(e))
        return {Recovery::Outcome::Unwritable, journal_->lastError()};
    journal_->crashPoints().reach("recovery-settled");
    // With every command answered, the first run stopped in the outcome
    // lines after its last command: written if the result file grew past its
    // size at the last reply.
    const bool tailWritten = !replies.isEmpty() && replies.last().resultSize >= 0
                          && ecr_.results.size() > replies.last().resultSize;
    const int diedOn = dry.inFlight ? dry.inFlight->index : tailWritten ? int(replies.size()) : -1;
    ResumePoint resume{replies, false, diedOn, {}, e.settleLeftOpen, {}, std::nullopt};
    resume.settleTable = e.settleTable;
    for (const JournaledLink::Sent &s : dry.sent)
        resume.firstRun.append(s.command);
    if (dry.inFlight)
        resume.firstRun.append(dry.inFlight->command);
    // The header goes first once, even when the first run stopped between
    // its journal entry and its header.
    resume.writeHeader = ecr_.results.size() <= e.resultSize;
    runJob(e.path, bytes, options, &resume);
    return {Recovery::Outcome::Finished,
            QStringLiteral("η διακοπείσα εργασία του αρχείου %1 ολοκληρώθηκε").arg(e.path)};
}

} // namespace dravimo
