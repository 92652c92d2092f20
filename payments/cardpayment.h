#pragma once
// Payments through the ECR: ordinary payments, and card payments that the
// ECR carries out on its attached terminal, with retries, a fallback payment
// when the card fails, and a notice on the receipt afterwards.

#include <QString>
#include <QtGlobal>

namespace dravimo {

class FiscalTec;

// How the terminal's answer is taken.
enum class CardReply : qint16 {
    Accepted = 0,    // 358OK / 356OK / 355OK, an empty or unrecognised reply
    Declined = 1,    // try again
    Refused = 2,     // do not try again
    Busy = 3,        // pause, then try again
    NotReceived = 4, // the terminal did not get the data; try again at once
};

CardReply ClassifyCardReply(const QString &reply);

// The result-file line of a card acknowledgement ("ccPay0 = ..."), or empty
// when the reply is none.
QString CardPaymentLine(const QString &reply);

// Makes the exchange write the "ccPay0 = " line of every card acknowledgement
// to the current job's result file.
void InstallCardReplyCheck(FiscalTec &ecr);

class CardPayment
{
public:
    explicit CardPayment(FiscalTec &ecr, QString paymentFile = QStringLiteral("payeft.dat"));

    // A payment line with an amount ("0" or empty: the whole remaining total).
    // Failed commands log their "Err = " lines to sFileOut (the job's result
    // file when empty).
    void payAmount(const QString &price, const QString &total, const QString &curr,
                   const QString &sFileOut = QString());

    // A payment line that names only a payment number.
    void payWholeTotal(qint16 paymentNumber);

    // After a job whose card payment was replaced by a fallback: waits for the
    // receipt to be finished and prints the notice on it.
    void FailureNotice();

private:
    void sendFallback(const QString &command, const QString &logFile);
    bool runCardAttempts(const QString &command, qint16 quiet, qint16 attempts, const QString &logFile);

    FiscalTec &ecr_;
    QString paymentFile_;
};

} // namespace dravimo
