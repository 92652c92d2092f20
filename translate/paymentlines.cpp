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
    r.price = r.price.trimmed();
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
    noteOutcome(job, CardPayment(job.ecr, job.paymentFile).payWholeTotal(toInt16(*v).value_or(0)));
    return LineResult::Next;
}

void sendPaymentOperation(Job &job)
{
    const LineRecord &r = job.record;
    const bool zeroAmount = job.numbers().valueOrZero(r.price) == 0.0;
    if (zeroAmount && !job.state.zeroPayment)
        return;
    noteOutcome(job,
                CardPayment(job.ecr, job.paymentFile).payAmount(r.price, r.paymentNumber, job.options.forcedPayment()));
}

} // namespace dravimo
