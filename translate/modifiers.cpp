// "dis" and "mod" lines: discounts and surcharges on the subtotal and on the
// item just sold, and their branches of sendOperation.
#include "translate/handlers.h"

#include "core/numbers.h"
#include "core/window.h"
#include "greek/recipes.h"
#include "translate/amounts.h"

namespace dravimo {
namespace {

const QChar kMinus = QLatin1Char('-');
const QChar kPercent = QLatin1Char('%');
const QString kWrongAmount = QStringLiteral("Λάθος ποσό στο αρχείο!");
// Marks a "mod" value as handled, so the amount steps leave it alone.
const QString kHandled = QStringLiteral("*");

// An amount the register cannot be given in whole cents: the line is refused.
LineResult refuseAmount(Job &job)
{
    messageBox(job.ecr.window, kWrongAmount, mb::Exclamation);
    job.refuseLine();
    return LineResult::EndLine;
}

bool nonZero(const Job &job, const QString &value)
{
    return !value.isEmpty() && job.numbers().valueOrZero(value) != 0;
}

// pos21 prints no text after an item modifier. The text keeps within the
// description field's 24 characters when a symbol is written out in full.
void describeModifier(Job &job, const QString &description)
{
    constexpr qsizetype kDescriptionWidth = 24;
    const bool withText = job.options.ecrModel != EcrModel::Pos21;
    job.record.text = greek::itemTextConversion(withText ? description.trimmed() : QString()).left(kDescriptionWidth);
}

void percentageModifier(Job &job, QString &v, const QString &description)
{
    LineRecord &r = job.record;
    if (v.startsWith(kMinus)) {
        r.operation = Operation::PercentDiscount;
        r.discountPercent = v.mid(1, 8);
        while (r.discountPercent.startsWith(QLatin1Char(' ')))
            r.discountPercent.remove(0, 1);
        describeModifier(job, description);
        if (nonZero(job, r.discountPercent))
            sendOperation(job);
        v = kHandled;
    }
    if (!v.startsWith(kMinus) && v != kHandled) {
        r.operation = Operation::PercentSurcharge;
        r.surchargePercent = v;
        describeModifier(job, description);
        if (!r.surchargePercent.isEmpty() && r.surchargePercent != QLatin1String("0"))
            sendOperation(job);
        v = kHandled;
    }
}

void amountModifier(Job &job, QString &v, const QString &description)
{
    LineRecord &r = job.record;
    v = v.trimmed();
    if (v.startsWith(kMinus)) {
        r.operation = Operation::AmountDiscount;
        r.discount = v.mid(1, 8).trimmed();
        describeModifier(job, description);
        sendOperation(job);
        v = kHandled;
    }
    if (!v.startsWith(kMinus) && v != kHandled) {
        r.operation = Operation::AmountSurcharge;
        r.surcharge = v;
        describeModifier(job, description);
        sendOperation(job);
    }
}

} // namespace

LineResult handleDiscount(Job &job, const QString &amount)
{
    LineRecord &r = job.record;
    const auto cents = amountInCentsForm(amount.trimmed());
    if (!cents)
        return refuseAmount(job);
    r.discount = *cents;
    stripAmountMarks(r.price, r.discount, r.surcharge);
    // A negative discount is a surcharge.
    if (r.discount.startsWith(kMinus)) {
        r.surcharge = r.discount.mid(1, 7);
        r.discount.clear();
        stripAmountMarks(r.price, r.discount, r.surcharge);
    }
    r.operation = Operation::SubtotalModifier;
    r.text = greek::itemTextConversion(r.text);
    sendOperation(job);
    return LineResult::Next;
}

// The numeric test ignores a trailing "%": a percentage such as -10% would
// otherwise never pass it, and the percentage steps below would be dead.
LineResult handleModifier(Job &job, const QString &value, const QString &description)
{
    QString v = value.trimmed();
    const auto cents = amountInCentsForm(v);
    v.remove(QLatin1Char(','));
    v.remove(QLatin1Char('.'));
    const bool percentage = v.endsWith(kPercent);
    if (!job.numbers().isNumeric(percentage ? v.chopped(1) : v))
        return LineResult::EndLine;
    if (!cents)
        return refuseAmount(job);
    v = cents->trimmed();
    v.remove(QLatin1Char(','));
    v.remove(QLatin1Char('.'));
    if (percentage) {
        v.chop(1);
        percentageModifier(job, v, description);
    }
    if (v != kHandled)
        amountModifier(job, v, description);
    return LineResult::Next;
}

void sendSubtotalModifier(Job &job)
{
    const LineRecord &r = job.record;
    if (!r.discount.isEmpty() && job.numbers().valueOrZero(r.discount) > 0) {
        job.send(ecrcommand::subtotal(), Quiet::Yes);
        job.send(ecrcommand::subtotal());
        job.send(ecrcommand::minusKey());
        job.send(ecrcommand::amountModifier(r.discount));
    }
    if (!r.surcharge.isEmpty()) {
        job.send(ecrcommand::subtotal());
        job.send(ecrcommand::amountModifier(r.surcharge));
    }
    if (!r.surchargePercent.isEmpty())
        job.send(ecrcommand::percentModifier(r.surchargePercent));
}

void sendItemModifier(Job &job)
{
    LineRecord &r = job.record;
    switch (r.operation) {
    case Operation::PercentDiscount:
        if (!nonZero(job, r.discountPercent))
            return;
        job.send(ecrcommand::minusKey());
        job.send(ecrcommand::percentModifier(r.discountPercent, r.text));
        break;
    case Operation::PercentSurcharge:
        if (!nonZero(job, r.surchargePercent))
            return;
        job.send(ecrcommand::percentModifier(r.surchargePercent, r.text));
        break;
    case Operation::AmountDiscount:
        if (!nonZero(job, r.discount))
            return;
        job.send(ecrcommand::minusKey());
        job.send(ecrcommand::amountModifier(r.discount, r.text));
        break;
    case Operation::AmountSurcharge:
        if (!nonZero(job, r.surcharge))
            return;
        job.send(ecrcommand::amountModifier(r.surcharge, r.text));
        break;
    default: return;
    }
    r.operation = Operation::None;
}

} // namespace dravimo
