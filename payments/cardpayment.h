#pragma once
// Payments through the ECR: ordinary payments, and card payments that the
// ECR carries out on its attached terminal, with retries, a fallback payment
// when the card fails, and a notice on the receipt afterwards.

#include "ecr/link.h"
#include "payments/payeft.h"

#include <QString>
#include <QtGlobal>

#include <functional>

namespace dravimo {

class ResultFile;
struct EcrSession;

// The terminal waits for a card for a long time; the ECR's acknowledgement
// arrives as a second, asynchronous reply within this many seconds.
inline constexpr Seconds kCardOutcomeWait{200};

// How the terminal's answer is taken.
enum class CardReply : qint16 {
    Accepted = 0,    // 358OK / 356OK / 355OK, an empty or unrecognised reply
    Declined = 1,    // try again
    Refused = 2,     // do not try again
    Busy = 3,        // pause, then try again
    NotReceived = 4, // the terminal did not get the data; try again at once
};

CardReply classifyCardReply(const QString &reply);

// The result-file line of a card acknowledgement ("ccPay0 = ..."), or empty
// when the reply is none.
QString cardPaymentLine(const QString &reply);

// What the exchange offers every reply to: writes the "ccPay0 = " line of a
// card acknowledgement to the current result file.
std::function<void(const QString &reply)> cardAcknowledgementWriter(ResultFile &results);

// What a payment came to.
enum class PaymentOutcome {
    Done,          // paid, or refused by the register (the result file says so)
    FallbackTaken, // the card failed and the fallback payment was booked: the
                   // receipt holds a failed card payment the notice must tell
};

class CardPayment
{
public:
    explicit CardPayment(EcrSession &ecr, QString paymentFile = kPaymentFile);

    // A payment line with an amount in cents ("0" or empty: the whole remaining
    // total) and the host's payment number. forcedPayment, when not 0, replaces
    // the payment number (the settings' currency choice).
    PaymentOutcome payAmount(const QString &price, const QString &paymentNumber, int forcedPayment);

    // A payment line that names only a payment number.
    PaymentOutcome payWholeTotal(qint16 paymentNumber);

    // Where the line of a declined card attempt goes: the session's result
    // file unless set (a job replaying its journal writes nothing twice).
    void setResultWriter(std::function<void(const QString &line)> write) { writeResult_ = std::move(write); }

    // After a job whose card payment was replaced by a fallback: waits for the
    // receipt to be finished and prints the notice on it.
    void printFailureNotice();

private:
    PaymentOutcome sendFallback(const Command &command);
    bool runCardAttempts(const Command &command, Quiet quiet, qint16 attempts);

    void reportDecline(const QString &command);

    EcrSession &ecr_;
    QString paymentFile_;
    std::function<void(const QString &line)> writeResult_;
};

} // namespace dravimo
