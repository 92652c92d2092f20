// The register's wire protocol: one command out, its reply collected until EOT
// or an error reply ("DE" + code), silence retried, a second (asynchronous)
// reply awaited for card payments, errors shown and cleared, and every step
// reported to the communication log.
#include "ecr/fiscaltec.h"

#include "core/clock.h"
#include "core/debuglog.h"
#include "core/shared.h"
#include "core/window.h"
#include "ecr/transport.h"
#include "greek/cp1253.h"

#include <QRegularExpression>

#include <algorithm>
#include <optional>

namespace dravimo {
namespace {

constexpr QChar kEot(4);
constexpr QChar kCr(13);
const QString kErrorMark = QStringLiteral("DE");

constexpr Millis kAnswerWindow{7000};
constexpr int kAttempts = 4;
// The register needs a moment after a reply before it takes the next command.
constexpr Millis kPauseAfterReply{100};
// After "KXCL" the register is given a second to drop its error state.
constexpr Millis kPauseAfterClear{1000};
// The card terminal's answer comes in several bursts; two seconds after the
// first bytes the rest has arrived.
constexpr Millis kPauseInAsyncReply{2000};
// Longest single block on a link whose reads do not wait by themselves.
constexpr qint64 kReplyWaitSliceMs = 256;
// In the asynchronous wait the window is serviced at least this often.
constexpr qint64 kAsyncWaitSliceMs = 100;
// The register takes this command and answers nothing.
const QString kNoReplyCommand = QStringLiteral("KX794ST\r");
// An error reply whose code cannot be read is reported as the general
// communication error instead of passing for success.
constexpr qint16 kUnreadableError = -99;

const QString kNoAnswer = QStringLiteral("Ο Φορολ. Εκτυπωτής δεν Απαντά σε εντολή !");
const QString kNoAnswerTitle = QStringLiteral("Μύνημα Φορολ. Εκτυπωτή");
const QString kErrorCaption = QStringLiteral("Σφάλμα !!!");

void logLine(const QString &text)
{
    if (!shared().debugOpen)
        return;
    debugLog().PrintCombine(Clock::instance().wallNow().toString(QStringLiteral("mm:ss")) + text);
}

Millis slice(qint64 leftMs, qint64 maxMs)
{
    return Millis(std::clamp<qint64>(leftMs, 1, maxMs));
}

// The code of an error reply: the digits after "DE" up to the first space,
// at most four of them.
std::optional<qint16> errorCode(const QString &reply)
{
    static const QRegularExpression code(QStringLiteral("^DE([0-9]{1,4})"));
    const QString word = reply.section(QLatin1Char(' '), 0, 0);
    const auto m = code.match(word);
    if (!m.hasMatch())
        return std::nullopt;
    return static_cast<qint16>(m.captured(1).toInt());
}

} // namespace

QString FiscalTec::FormatForLog(const QString &reply)
{
    QString out;
    for (const QChar c : reply) {
        const auto byte = static_cast<unsigned char>(cp1253::toByte(c));
        if (byte < 32)
            out += QStringLiteral("ASC(%1) ").arg(byte);
        else
            out += c;
    }
    return out;
}

void FiscalTec::ExchangeCommand(const QString &command, QString &reply, qint16 quiet, qint16 asyncWait)
{
    Transport &port = *activePort_;
    QString buffer;
    shared().lastResultCode = 0;
    // The card-payment check must see this command's reply, never one left
    // in the caller's variable by an earlier command.
    reply.clear();
    for (int attempt = 1;; ++attempt) {
        port.sendData(command);
        logLine(QStringLiteral("       send:[") + command + QLatin1Char(']'));
        if (command == kNoReplyCommand)
            return;
        // The buffer is kept across attempts: late bytes of an earlier
        // attempt still count.
        const Collected got = collectReply(buffer);
        if (got == Collected::Silence) {
            shared().lastResultCode = -4;
            reply = kNoAnswer;
            if (attempt < kAttempts)
                continue;
            silence(reply, quiet);
            return;
        }
        if (got == Collected::Complete)
            awaitAsyncReply(buffer, asyncWait);
        evaluate(buffer, reply, quiet);
        return;
    }
}

FiscalTec::Collected FiscalTec::collectReply(QString &buffer)
{
    Transport &port = *activePort_;
    Clock &clock = Clock::instance();
    const qint64 deadline = clock.nowMs() + kAnswerWindow.count();
    for (;;) {
        if (buffer.contains(kEot))
            return Collected::Complete;
        port.waitForData(slice(deadline - clock.nowMs(), kReplyWaitSliceMs));
        buffer += port.ReceiveData();
        if (buffer.contains(kErrorMark))
            return Collected::ErrorReply;
        // Tested after the read: an EOT in the last read before the deadline
        // loses to the deadline, as it always has on this link.
        if (clock.nowMs() > deadline)
            return Collected::Silence;
        shared().lastResultCode = 0;
    }
}

void FiscalTec::silence(QString &reply, qint16 quiet)
{
    if (quiet == 0) {
        window().setCaption(kErrorCaption + reply);
        window().repaint();
        MsgBox(window(), reply, mb::Information, kNoAnswerTitle);
    }
    activePort_->Result = -4;
    activePort_->exResult = reply;
}

void FiscalTec::awaitAsyncReply(QString &buffer, qint16 asyncWait)
{
    Transport &port = *activePort_;
    Clock &clock = Clock::instance();
    logLine(QStringLiteral("      reply: ") + FormatForLog(buffer));
    shared().waitCancel = false;
    // Rounded to a whole second: even without an asynchronous wait the loop
    // runs up to half a second, and the register's pace relies on that gap.
    const qint64 deadline = (clock.nowMs() + asyncWait * 1000LL + 500) / 1000 * 1000;
    // The dialog belongs to this wait alone: a command started by an event
    // handled below must not close it.
    std::unique_ptr<WaitDialog> dialog;
    if (asyncWait != 0) {
        dialog = window().createWaitDialog(false);
        dialog->show();
    }
    while (clock.nowMs() <= deadline) {
        port.waitForData(slice(deadline - clock.nowMs(), kAsyncWaitSliceMs));
        const QString first = port.ReceiveData();
        if (!first.isEmpty()) {
            clock.pause(kPauseInAsyncReply);
            buffer = first + port.ReceiveData();
            logLine(QStringLiteral("reply async: ") + FormatForLog(buffer));
            break;
        }
        if (shared().waitCancel)
            break;
        window().processEvents();
    }
    if (dialog)
        dialog->close();
}

void FiscalTec::evaluate(QString &buffer, QString &reply, qint16 quiet)
{
    Transport &port = *activePort_;
    logLine(QStringLiteral("      reply: ") + FormatForLog(buffer));
    buffer.remove(kCr);
    buffer.remove(kEot);
    Clock::instance().pause(kPauseAfterReply);
    if (buffer.startsWith(kErrorMark)) {
        const std::optional<qint16> code = errorCode(buffer);
        shared().lastResultCode = code.value_or(kUnreadableError);
        QString shown = code ? buffer : QStringLiteral("DE%1").arg(kUnreadableError);
        ShowEcrError(shown, quiet);
        port.exResult = QString::number(code.value_or(kUnreadableError));
        clearAfterError();
    } else {
        port.exResult = buffer;
        reply = buffer;
    }
    port.Result = shared().lastResultCode;
    logLine(QStringLiteral(" -----------"));
}

void FiscalTec::clearAfterError()
{
    // No reply wait, no retry and no log line: the register has just spoken,
    // it is listening.
    activePort_->sendData(QStringLiteral("KXCL"));
    Clock::instance().pause(kPauseAfterClear);
    activePort_->ReceiveData();
}

} // namespace dravimo
