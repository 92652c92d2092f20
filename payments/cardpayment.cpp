#include "payments/cardpayment.h"

#include "core/clock.h"
#include "core/files.h"
#include "core/numbers.h"
#include "core/shared.h"
#include "core/window.h"
#include "ecr/fiscaltec.h"
#include "payments/payeft.h"

#include <QStringList>

#include <algorithm>

namespace dravimo {
namespace {

// The terminal waits for a card for a long time; the ECR's acknowledgement
// arrives as a second, asynchronous reply within this many seconds.
constexpr qint16 kCardWaitSeconds = 200;
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

QString paymentCommand(const QString &price, const QString &what)
{
    return noAmount(price) ? QStringLiteral("KXT") + what : QStringLiteral("KX") + price + QLatin1Char('T') + what;
}

QString cardTarget(const PaymentType &r)
{
    return QString::number(r.ecrCode) + QLatin1Char('P') + QString::number(r.terminal);
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

} // namespace

CardReply ClassifyCardReply(const QString &reply)
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

QString CardPaymentLine(const QString &reply)
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

void InstallCardReplyCheck(FiscalTec &ecr)
{
    ecr.cardReplyCheck = [](const QString &reply) {
        const QString line = CardPaymentLine(reply);
        if (!line.isEmpty())
            AppendLine(shared().resultFile, line);
    };
}

CardPayment::CardPayment(FiscalTec &ecr, QString paymentFile) : ecr_(ecr), paymentFile_(std::move(paymentFile))
{}

bool CardPayment::runCardAttempts(const QString &command, qint16 quiet, qint16 attempts, const QString &logFile)
{
    QString reply;
    for (int i = 0; i < attempts; ++i) {
        ecr_.SendCommand(command, shared().lastResultCode, reply, quiet, kCardWaitSeconds, logFile);
        if (shared().lastResultCode != 0)
            continue;
        const CardReply cls = ClassifyCardReply(reply);
        if (cls == CardReply::Accepted)
            return true;
        if (cls == CardReply::Refused)
            return false;
        if (cls == CardReply::Busy)
            Clock::instance().pause(kBusyPause);
    }
    return false;
}

void CardPayment::sendFallback(const QString &command, const QString &logFile)
{
    QString reply;
    ecr_.SendCommand(command, shared().lastResultCode, reply, 0, 0, logFile);
    // Only a fallback the ECR took leaves the receipt holding a failed card
    // payment that the notice must mention.
    if (shared().lastResultCode == 0)
        shared().cardFailure = true;
}

void CardPayment::payAmount(const QString &price, const QString &total, const QString &curr, const QString &sFileOut)
{
    ecr_.WaitEcrErrorCleared();
    int payment = 0;
    if (const auto v = numericValue(total))
        payment = toInt16(*v).value_or(0);
    if (curr == QLatin1String("1") || curr == QLatin1String("2") || curr == QLatin1String("3"))
        payment = curr.toInt();

    const PaymentType r = ReadPaymentType(payment, paymentFile_);
    QString reply;
    if (!(r.isActive() && r.ecrCode == kPreCollection))
        ecr_.SendCommand(QStringLiteral("KXST"), shared().lastResultCode, reply, -1, 0, sFileOut);
    if (!r.isActive()) {
        ecr_.SendCommand(paymentCommand(price, QString::number(payment)), shared().lastResultCode, reply, 0, 0,
                         sFileOut);
        return;
    }
    // A corrupt negative retry count still makes one attempt.
    const qint16 attempts = static_cast<qint16>(std::max(1, 1 + r.retries));
    const bool succeeded = runCardAttempts(paymentCommand(price, cardTarget(r)), 0, attempts, sFileOut);
    if (!succeeded && r.ecrCode != kPreCollection && r.fallback > 0)
        sendFallback(paymentCommand(price, QString::number(r.fallback)), sFileOut);
}

void CardPayment::payWholeTotal(qint16 paymentNumber)
{
    const PaymentType r = ReadPaymentType(paymentNumber, paymentFile_);
    ecr_.WaitEcrErrorCleared();
    QString reply;
    if (!(r.isActive() && r.ecrCode == kPreCollection))
        ecr_.SendCommand(QStringLiteral("KXST"), shared().lastResultCode, reply, -1, 0);
    if (!r.isActive() || r.payment == 3) {
        ecr_.SendCommand(QStringLiteral("KXT") + QString::number(paymentNumber), shared().lastResultCode, reply, -1, 0);
        return;
    }
    const qint16 attempts = static_cast<qint16>(std::max(1, 1 + r.retries));
    // Each payment line has its own card outcome: a card accepted earlier in
    // the same print file must not stop this one's fallback.
    const bool succeeded = runCardAttempts(QStringLiteral("KXT") + cardTarget(r), -1, attempts, QString());
    if (!succeeded && r.ecrCode != kPreCollection && r.fallback > 0)
        sendFallback(QStringLiteral("KXT") + QString::number(r.fallback), QString());
}

void CardPayment::FailureNotice()
{
    std::unique_ptr<WaitDialog> dialog;
    shared().waitCancel = false;
    // Waits for the operator to finish the receipt. Closing the dialog ends
    // the wait: with the ECR silent the status never turns 0 by itself.
    while (ecr_.QueryEcrStatus() != 0) {
        if (!dialog) {
            dialog = window().createWaitDialog(true);
            dialog->setTitle(QStringLiteral("Μύνημα Ταμειακής"));
            dialog->setMessage(QStringLiteral("Ολοκληρώστε την απόδειξη..."));
            dialog->setDescription(QStringLiteral("Αναμονή..."));
            dialog->show();
            dialog->redraw();
        }
        Clock::instance().pause(kNoticePollPause);
        window().processEvents();
        if (shared().waitCancel)
            break;
    }
    if (dialog && dialog->isOpen())
        dialog->close();

    static const char16_t *const kNotice[] = {
        u"ΠΡΟΣΟΧΗ!",
        u" Η ΑΠΟΔΕΙΞΗ ΠΕΡΙΕΧΕΙ ΠΛΗΡΩΜΕΣ",
        u"   ΠΙΣΤ.ΚΑΡΤΩΝ ΠΟΥ ΑΠΕΤΥΧΑΝ",
        u"ΥΠΑΡΧΕΙ ΥΠΟΛΟΙΠΟ ΠΡΟΣ ΕΙΣΠΡΑΞΗ",
        u"       ΑΠΟ ΤΟΝ ΠΕΛΑΤΗ",
        u"",
        u"",
        u"",
        u"",
        u"",
    };
    qint16 result = 0;
    QString reply;
    for (const char16_t *line : kNotice)
        ecr_.SendCommand(QStringLiteral("KXCO ") + QString::fromUtf16(line), result, reply, 0, 0);
    shared().cardFailure = false;
}

} // namespace dravimo
