// "dis" and "mod" lines: discounts and surcharges on the subtotal and on the
// item just sold, and their branches of comms.
#include "translate/handlers.h"

#include "core/numbers.h"
#include "greek/recipes.h"
#include "translate/amounts.h"

namespace dravimo {
namespace {

const QString kMinusKey = QStringLiteral("KX- ");
const QChar kMinus = QLatin1Char('-');
const QChar kPercent = QLatin1Char('%');
// Marks a "mod" value as handled, so the amount steps leave it alone.
const QString kHandled = QStringLiteral("*");

bool nonZero(const QString &value)
{
    return !value.isEmpty() && valueOrZero(value) != 0;
}

// pos21 prints no text after an item modifier.
void describeModifier(Job &job, const QString &description)
{
    const bool withText = job.settings.ecrt != QLatin1String("pos21");
    job.record.chr = greek::itemTextConversion(withText ? description.trimmed() : QString());
}

void percentageModifier(Job &job, QString &v, const QString &description)
{
    LineRecord &r = job.record;
    if (v.startsWith(kMinus)) {
        r.linetype = linetype::PercentDiscount;
        r.percentdis = v.mid(1, 8);
        while (r.percentdis.startsWith(QLatin1Char(' ')))
            r.percentdis.remove(0, 1);
        describeModifier(job, description);
        if (nonZero(r.percentdis))
            comms(job);
        v = kHandled;
    }
    if (!v.startsWith(kMinus) && v != kHandled) {
        r.linetype = linetype::PercentSurcharge;
        r.percentadd = v;
        describeModifier(job, description);
        if (!r.percentadd.isEmpty() && r.percentadd != QLatin1String("0"))
            comms(job);
        v = kHandled;
    }
}

void amountModifier(Job &job, QString &v, const QString &description)
{
    LineRecord &r = job.record;
    v = v.trimmed();
    if (v.startsWith(kMinus)) {
        r.linetype = linetype::AmountDiscount;
        r.discount = v.mid(1, 8).trimmed();
        describeModifier(job, description);
        comms(job);
        v = kHandled;
    }
    if (!v.startsWith(kMinus) && v != kHandled) {
        r.linetype = linetype::AmountSurcharge;
        r.addon = v;
        describeModifier(job, description);
        comms(job);
    }
}

} // namespace

LineResult handleDis(Job &job, const QString &amount)
{
    LineRecord &r = job.record;
    r.discount = amount.trimmed();
    calc(r.price, r.discount, r.addon);
    // A negative discount is a surcharge.
    if (r.discount.startsWith(kMinus)) {
        r.addon = r.discount.mid(1, 7);
        r.discount.clear();
        calc(r.price, r.discount, r.addon);
    }
    r.linetype = linetype::SubtotalModifier;
    r.chr = greek::itemTextConversion(r.chr);
    comms(job);
    return LineResult::Next;
}

// The numeric test ignores a trailing "%": a percentage such as -10% would
// otherwise never pass it, and the percentage steps below would be dead.
LineResult handleMod(Job &job, const QString &value, const QString &description)
{
    QString v = value.trimmed();
    v.remove(QLatin1Char(','));
    v.remove(QLatin1Char('.'));
    const bool percentage = v.endsWith(kPercent);
    if (!isNumeric(percentage ? v.chopped(1) : v))
        return LineResult::EndLine;
    if (percentage) {
        v.chop(1);
        percentageModifier(job, v, description);
    }
    if (v != kHandled)
        amountModifier(job, v, description);
    return LineResult::Next;
}

void commsSubtotalModifier(Job &job)
{
    const LineRecord &r = job.record;
    if (!r.discount.isEmpty() && valueOrZero(r.discount) > 0) {
        job.send(QStringLiteral("KXST"), kQuiet);
        job.send(QStringLiteral("KXST"));
        job.send(kMinusKey);
        job.send(QStringLiteral("KX") + r.discount + QStringLiteral("GE"));
    }
    if (!r.addon.isEmpty()) {
        job.send(QStringLiteral("KXST"));
        job.send(QStringLiteral("KX") + r.addon + QStringLiteral("GE"));
    }
    if (!r.percentadd.isEmpty())
        job.send(QStringLiteral("KX") + r.percentadd + QStringLiteral("% "));
}

void commsItemModifier(Job &job)
{
    LineRecord &r = job.record;
    const QString kx = QStringLiteral("KX");
    switch (r.linetype) {
    case linetype::PercentDiscount:
        if (!nonZero(r.percentdis))
            return;
        job.send(kMinusKey);
        job.send(kx + r.percentdis + QStringLiteral("% ") + r.chr);
        break;
    case linetype::PercentSurcharge:
        if (!nonZero(r.percentadd))
            return;
        job.send(kx + r.percentadd + QStringLiteral("% ") + r.chr);
        break;
    case linetype::AmountDiscount:
        if (!nonZero(r.discount))
            return;
        job.send(kMinusKey);
        job.send(kx + r.discount + QStringLiteral("GE") + r.chr);
        break;
    case linetype::AmountSurcharge:
        if (!nonZero(r.addon))
            return;
        job.send(kx + r.addon + QStringLiteral("GE") + r.chr);
        break;
    default: return;
    }
    r.linetype = linetype::None;
}

} // namespace dravimo
