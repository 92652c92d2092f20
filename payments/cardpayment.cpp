#include "payments/cardpayment.h"

#include "core/clock.h"
#include "core/resultfile.h"
#include "core/window.h"
#include "ecr/errorwait.h"
#include "ecr/protocol.h"
#include "ecr/queries.h"
#include "ecr/session.h"
#include "greek/recipes.h"

#include <QStringList>

#include <algorithm>

namespace dravimo {
namespace {

// The code of the result line of a card attempt the terminal declined. The
// register said OK to the command, so no other line tells the host.
constexpr qint16 kCardDeclined = -7;

// A busy terminal gets this long before the next attempt.
constexpr Millis kBusyPause{3000};
constexpr Millis kNoticePollPause{250};
// ECR payment code of a card pre-collection: no subtotal before it, no
// fallback after it.
constexpr qint16 kPreCollection = 9;

const QString kTimeoutMessage = QStringLiteral("SEND:TIMEOUT WHILE SEND DATA TO POS");

bool noAmount(const QString &price)
{
    return price.isEmpty() || price == QLatin1String("0");
}

QString amountKeyed(const QString &price)
{
    return noAmount(price) ? QString() : price;
}

Command cardCommand(const QString &price, const PaymentType &r)
{
    return ecrcommand::cardPayment(amountKeyed(price), r.ecrCode, r.terminal);
}

// Cents as the host reads them: 1250 -> 12,50; 7 -> 0,07; 45 -> 0,45.
QString centsText(const QString &cents)
{
    if (cents.isEmpty())
        return {};
    if (cents.size() == 1)
        return QStringLiteral("0,0") + cents;
    if (cents.size() == 2)
        return QStringLiteral("0,") + cents;
    return cents.left(cents.size() - 2) + QLatin1Char(',') + cents.right(2);
}

// The notice on a receipt whose card payment failed, as ten comment lines in
// the register's character set. Two of its lines are wider than the paper's
// 28 characters, and the register would wrap them mid-word: a line too wide
// loses its centring spaces and then breaks at its last space that fits,
// the rest going on the next line in place of one of the blank lines that
// feed the paper out.
QStringList failureNoticeLines()
{
    static const char16_t *const kNotice[] = {
        u"ΠΡΟΣΟΧΗ!",
        u" Η ΑΠΟΔΕΙΞΗ ΠΕΡΙΕΧΕΙ ΠΛΗΡΩΜΕΣ",
        u"   ΠΙΣΤ.ΚΑΡΤΩΝ ΠΟΥ ΑΠΕΤΥΧΑΝ",
        u"ΥΠΑΡΧΕΙ ΥΠΟΛΟΙΠΟ ΠΡΟΣ ΕΙΣΠΡΑΞΗ",
        u"       ΑΠΟ ΤΟΝ ΠΕΛΑΤΗ",
    };
    constexpr int kLines = 10;
    QStringList lines;
    for (const char16_t *text : kNotice) {
        QString line = QString::fromUtf16(text);
        if (line.size() > kEcrLineWidth)
            line = line.trimmed();
        while (line.size() > kEcrLineWidth) {
            qsizetype cut = line.lastIndexOf(QLatin1Char(' '), kEcrLineWidth);
            if (cut <= 0)
                cut = kEcrLineWidth;
            lines.append(line.left(cut));
            line = line.mid(cut).trimmed();
        }
        lines.append(line);
    }
    while (lines.size() < kLines)
        lines.append(QString());
    for (QString &line : lines)
        line = greek::commentTextConversion(line).left(kEcrLineWidth);
    return lines;
}

} // namespace

CardReply classifyCardReply(const QString &reply)
{
    if (reply.isEmpty())
        return CardReply::Accepted;
    const QStringList fields = reply.split(QLatin1Char(':'));
    const QString first = fields.value(0).trimmed();
    const QString second = fields.value(1).trimmed();
    for (const char *ok : {"358OK", "356OK", "355OK"}) {
        if (first.left(5) == QLatin1String(ok))
            return CardReply::Accepted;
    }
    // The terminal's time-out message carries a colon of its own, so it spans
    // two fields: it is recognised on the text after the first colon.
    const qsizetype colon = reply.indexOf(QLatin1Char(':'));
    if (colon >= 0 && reply.mid(colon + 1).trimmed().left(kTimeoutMessage.size()) == kTimeoutMessage)
        return CardReply::NotReceived;

    CardReply cls = first == QLatin1String("CntFail") ? CardReply::Refused : CardReply::Accepted;
    static const struct
    {
        const char *code;
        CardReply cls;
    } kCodes[] = {
        {"03", CardReply::Refused},  {"04", CardReply::Refused},
        {"05", CardReply::Declined}, {"06", CardReply::Declined},
        {"09", CardReply::Declined}, {"33", CardReply::Declined},
        {"66", CardReply::Declined}, {"001", CardReply::Refused},
        {"002", CardReply::Refused}, {"003", CardReply::Refused},
        {"004", CardReply::Refused}, {"100", CardReply::Refused},
        {"500", CardReply::Refused}, {"501", CardReply::Refused},
        {"999", CardReply::Busy},    {"ECR INACTIVE EFTPOS", CardReply::Refused},
    };
    for (const auto &c : kCodes) {
        if (second == QLatin1String(c.code))
            cls = c.cls;
    }
    return cls;
}

QString cardPaymentLine(const QString &reply)
{
    const QString head = reply.left(15).trimmed();
    if (head == QLatin1String("356OK"))
        return QStringLiteral("ccPay0 = 0,OK");
    if (head != QLatin1String("358OK") && head != QLatin1String("355OK"))
        return {};
    const QString data = reply.mid(5).trimmed();
    if (data.isEmpty())
        return {};
    // A short acknowledgement still tells the host that the card was charged:
    // the fields it lacks are written empty rather than the line being lost.
    const QStringList f = data.split(QLatin1Char(':'));
    const QStringList parts = {f.value(0),  f.value(2),  f.value(9),  f.value(11),
                               f.value(13), f.value(10), f.value(14), centsText(f.value(3))};
    return QStringLiteral("ccPay0 = ") + parts.join(QLatin1Char(';'));
}

std::function<void(const QString &reply)> cardAcknowledgementWriter(ResultFile &results)
{
    return [&results](const QString &reply) {
        const QString line = cardPaymentLine(reply);
        if (!line.isEmpty())
            results.append(line);
    };
}

CardPayment::CardPayment(EcrSession &ecr, QString paymentFile) : ecr_(ecr), paymentFile_(std::move(paymentFile))
{}

bool CardPayment::runCardAttempts(const Command &command, Quiet quiet, qint16 attempts)
{
    for (int i = 0; i < attempts; ++i) {
        const CommandResult r = ecr_.link.send(command, quiet, kCardOutcomeWait);
        if (!r.ok())
            continue;
        const CardReply cls = classifyCardReply(r.reply);
        if (cls == CardReply::Accepted)
            return true;
        if (cls != CardReply::NotReceived)
            reportDecline(command.text);
        if (cls == CardReply::Refused)
            return false;
        if (cls == CardReply::Busy)
            ecr_.clock.pause(kBusyPause);
    }
    return false;
}

void CardPayment::reportDecline(const QString &command)
{
    const QString line = QStringLiteral("Err = %1, [%2] DateTime = %3")
                             .arg(kCardDeclined)
                             .arg(command, formatDateTime(ecr_.clock.wallNow()));
    if (writeResult_)
        writeResult_(line);
    else
        ecr_.results.append(line);
}

PaymentOutcome CardPayment::sendFallback(const Command &command)
{
    // Only a fallback the register took leaves the receipt holding a failed
    // card payment that the notice must mention.
    return ecr_.link.send(command).ok() ? PaymentOutcome::FallbackTaken : PaymentOutcome::Done;
}

PaymentOutcome CardPayment::payAmount(const QString &price, const QString &paymentNumber, int forcedPayment)
{
    waitUntilEcrErrorCleared(ecr_);
    int payment = 0;
    if (const auto v = ecr_.numbers.value(paymentNumber))
        payment = toInt16(*v).value_or(0);
    if (forcedPayment != 0)
        payment = forcedPayment;

    const PaymentType r = readPaymentType(payment, ecr_.window, paymentFile_);
    if (!(r.isActive() && r.ecrCode == kPreCollection))
        ecr_.link.send(ecrcommand::subtotal(), Quiet::Yes);
    if (!r.isActive()) {
        ecr_.link.send(ecrcommand::payment(amountKeyed(price), QString::number(payment)));
        return PaymentOutcome::Done;
    }
    // A corrupt negative retry count still makes one attempt.
    const qint16 attempts = static_cast<qint16>(std::max(1, 1 + r.retries));
    const bool succeeded = runCardAttempts(cardCommand(price, r), Quiet::No, attempts);
    if (!succeeded && r.ecrCode != kPreCollection && r.fallback > 0)
        return sendFallback(ecrcommand::payment(amountKeyed(price), QString::number(r.fallback)));
    return PaymentOutcome::Done;
}

PaymentOutcome CardPayment::payWholeTotal(qint16 paymentNumber)
{
    const PaymentType r = readPaymentType(paymentNumber, ecr_.window, paymentFile_);
    waitUntilEcrErrorCleared(ecr_);
    if (!(r.isActive() && r.ecrCode == kPreCollection))
        ecr_.link.send(ecrcommand::subtotal(), Quiet::Yes);
    if (!r.isActive() || r.payment == 3) {
        ecr_.link.send(ecrcommand::payment(QString(), QString::number(paymentNumber)), Quiet::Yes);
        return PaymentOutcome::Done;
    }
    const qint16 attempts = static_cast<qint16>(std::max(1, 1 + r.retries));
    // Each payment line has its own card outcome: a card accepted earlier in
    // the same print file must not stop this one's fallback.
    const bool succeeded = runCardAttempts(cardCommand(QString(), r), Quiet::Yes, attempts);
    if (!succeeded && r.ecrCode != kPreCollection && r.fallback > 0)
        return sendFallback(ecrcommand::payment(QString(), QString::number(r.fallback)));
    return PaymentOutcome::Done;
}

void CardPayment::printFailureNotice()
{
    std::unique_ptr<WaitDialog> dialog;
    EcrQueries queries(ecr_.link, ecr_.numbers);
    const CollapsedRepeats once(ecr_.link);
    const qint64 startedMs = ecr_.clock.nowMs();
    // Waits for the operator to finish the receipt. Closing the dialog ends
    // the wait: with the register silent the status never turns 0 by itself,
    // and a run nobody watches ends past its wait limit.
    while (queries.status() != ecrstatus::Ready) {
        if (!dialog) {
            dialog = ecr_.window.createWaitDialog(true);
            dialog->setTitle(QStringLiteral("Μύνημα Ταμειακής"));
            dialog->setMessage(QStringLiteral("Ολοκληρώστε την απόδειξη..."));
            dialog->setDescription(QStringLiteral("Αναμονή..."));
            dialog->show();
            dialog->redraw();
        }
        ecr_.clock.pause(kNoticePollPause);
        ecr_.window.processEvents();
        if (!dialog->isOpen())
            break;
        if (waitLimitPassed(ecr_, startedMs, QStringLiteral("Ολοκληρώστε την απόδειξη...")))
            break;
    }
    if (dialog && dialog->isOpen())
        dialog->close();

    for (const QString &line : failureNoticeLines())
        ecr_.link.send(ecrcommand::comment(line));
}

} // namespace dravimo
