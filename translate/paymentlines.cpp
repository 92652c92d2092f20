// Payment lines: "sut", "to", "pay", and the payment branch of comms.
//
// NOT IMPLEMENTED YET. The recogniser already hands each line here with its
// fields; the payment work fills these in (the zero-payment flag, the
// payment-line count, and the card-payment procedure that sends the subtotal,
// payment and fallback commands and so closes the receipt). Until then every
// payment line is read and ignored, and no receipt is closed by a print file.
#include "translate/handlers.h"

namespace dravimo {

LineResult handleSut(Job &, const QString &)
{
    return LineResult::Next;
}

LineResult handleTo(Job &, const QString &, const QString &)
{
    return LineResult::Next;
}

LineResult handlePay(Job &, const QString &)
{
    return LineResult::Next;
}

void commsPayment(Job &)
{
}

} // namespace dravimo
