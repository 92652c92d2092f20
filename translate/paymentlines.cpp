// Payment lines: "sut", "to", "pay", and the payment branch of comms. The
// receipt is closed on the ECR by its payments; there is no closing command.
#include "translate/handlers.h"

#include "core/numbers.h"
#include "core/shared.h"
#include "core/window.h"
#include "ecr/fiscaltec.h"
#include "greek/recipes.h"
#include "payments/cardpayment.h"
#include "translate/amounts.h"

namespace dravimo {
namespace {

// The status query's answer while a receipt is open on the ECR.
constexpr qint16 kReceiptOpen = 1;

int integerOrZero(const QString &text)
{
    const auto v = numericValue(text);
    return v ? toInt16(*v).value_or(0) : 0;
}

} // namespace

LineResult handleSut(Job &job, const QString &subtotal)
{
    const auto v = numericValue(subtotal.trimmed());
    job.state.zeroPayment = v && *v == 0.0;
    return LineResult::Next;
}

LineResult handleTo(Job &job, const QString &paymentNumber, const QString &amount)
{
    ++job.state.paymentLineCount;
    LineRecord &r = job.record;
    r.linetype = linetype::Payment;
    if (job.settings.curr == QLatin1String("2")) {
        // Always the secondary currency: the first payment line pays the whole
        // total with payment 2; the host's further payment lines are moot.
        r.total = QStringLiteral("2");
        r.price.clear();
        r.chr = greek::itemTextConversion(r.chr);
        if (job.state.paymentLineCount == 1) {
            r.sFileOut.clear();
            comms(job);
        }
        return LineResult::Next;
    }
    r.total = paymentNumber;
    r.price = amount;
    const auto value = numericValue(r.price);
    if (integerOrZero(r.total) == 0 || !value || *value == 0.0)
        return LineResult::Next;
    r.price = r.price.trimmed();
    calc(r.price, r.discount, r.addon);
    r.chr = greek::itemTextConversion(r.chr);
    r.sFileOut = job.state.resultFile;
    comms(job);
    return LineResult::Next;
}

LineResult handlePay(Job &job, const QString &paymentNumber)
{
    if (job.ecr.QueryEcrStatus() != kReceiptOpen)
        return LineResult::Next;
    const auto v = numericValue(paymentNumber);
    if (!v) {
        MsgBox(window(), QStringLiteral("Λάθος Αριθμός πληρωμής στο αρχείο!"), mb::Information);
        return LineResult::Next;
    }
    CardPayment(job.ecr).payWholeTotal(toInt16(*v).value_or(0));
    return LineResult::Next;
}

void commsPayment(Job &job)
{
    const LineRecord &r = job.record;
    const bool zeroAmount = valueOrZero(r.price) == 0.0;
    if (zeroAmount && !job.state.zeroPayment)
        return;
    CardPayment(job.ecr).payAmount(r.price, r.total, r.curr, r.sFileOut);
}

} // namespace dravimo
