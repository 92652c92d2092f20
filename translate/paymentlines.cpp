// Payment lines: "sut", "to", "pay", and the payment branch of sendOperation. The
// receipt is closed on the ECR by its payments; there is no closing command.
#include "translate/handlers.h"

#include "core/numbers.h"
#include "core/window.h"
#include "ecr/session.h"
#include "greek/recipes.h"
#include "payments/cardpayment.h"
#include "translate/amounts.h"

namespace dravimo {
namespace {

int integerOrZero(const QString &text, const NumberFormat &numbers)
{
    const auto v = numbers.value(text);
    return v ? toInt16(*v).value_or(0) : 0;
}

// A fallback booked in place of a failed card earns the receipt the notice.
void noteOutcome(Job &job, PaymentOutcome outcome)
{
    if (outcome == PaymentOutcome::FallbackTaken)
        job.state.cardFailure = true;
}

// A declined card's result line goes through the job, which writes nothing
// when it replays what an earlier run of it already wrote.
CardPayment cardPayment(Job &job)
{
    CardPayment payment(job.ecr, job.paymentFile);
    payment.setResultWriter([&job](const QString &line) { job.appendResult(line); });
    return payment;
}

} // namespace

LineResult handleSubtotal(Job &job, const QString &subtotal)
{
    const auto v = job.numbers().value(subtotal.trimmed());
    job.state.zeroPayment = v && *v == 0.0;
    return LineResult::Next;
}

LineResult handlePayment(Job &job, const QString &paymentNumber, const QString &amount)
{
    ++job.state.paymentLineCount;
    LineRecord &r = job.record;
    r.operation = Operation::Payment;
    if (job.options.currency == Currency::Secondary) {
        // Always the secondary currency: the first payment line pays the whole
        // total with payment 2; the host's further payment lines are moot.
        r.paymentNumber = QStringLiteral("2");
        r.price.clear();
        r.text = greek::itemTextConversion(r.text);
        if (job.state.paymentLineCount == 1)
            sendOperation(job);
        return LineResult::Next;
    }
    r.paymentNumber = paymentNumber;
    r.price = amount;
    const auto value = job.numbers().value(r.price);
    if (integerOrZero(r.paymentNumber, job.numbers()) == 0 || !value || *value == 0.0)
        return LineResult::Next;
    // A payment is a positive amount in whole cents; anything else would pay
    // a sum the host did not write.
    const auto cents = amountInCentsForm(r.price.trimmed());
    if (!cents || *value < 0) {
        messageBox(job.ecr.window, QStringLiteral("Λάθος ποσό στο αρχείο!"), mb::Exclamation);
        job.refuseLine();
        return LineResult::EndLine;
    }
    r.price = *cents;
    stripAmountMarks(r.price, r.discount, r.surcharge);
    r.text = greek::itemTextConversion(r.text);
    sendOperation(job);
    return LineResult::Next;
}

LineResult handleCardPayment(Job &job, const QString &paymentNumber)
{
    if (job.queries.status() != ecrstatus::ReceiptOpen)
        return LineResult::Next;
    const auto v = job.numbers().value(paymentNumber);
    if (!v) {
        messageBox(job.ecr.window, QStringLiteral("Λάθος Αριθμός πληρωμής στο αρχείο!"), mb::Information);
        return LineResult::Next;
    }
    noteOutcome(job, cardPayment(job).payWholeTotal(toInt16(*v).value_or(0)));
    return LineResult::Next;
}

void sendPaymentOperation(Job &job)
{
    const LineRecord &r = job.record;
    const bool zeroAmount = job.numbers().valueOrZero(r.price) == 0.0;
    if (zeroAmount && !job.state.zeroPayment)
        return;
    noteOutcome(job, cardPayment(job).payAmount(r.price, r.paymentNumber, job.options.forcedPayment()));
}

} // namespace dravimo
