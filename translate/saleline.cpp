// "PLU" lines: the handler that reads a sale line, and the item-sale branch of
// comms.
#include "translate/handlers.h"

#include "core/numbers.h"
#include "core/shared.h"
#include "settings/vats.h"
#include "core/window.h"
#include "greek/recipes.h"
#include "translate/amounts.h"
#include "translate/envfee.h"

namespace dravimo {
namespace {

const QString kUnknownVatCategory = QStringLiteral("Ανύπαρκτη κατηγορία ΦΠΑ ");
const QString kTrue = QStringLiteral("true");

// Rates are compared as text with two decimals and a point, the way both the
// line and vats.dat are shown to the operator.
QString rateText(double rate)
{
    return QString::number(rate, 'f', 2);
}

QString lineRateText(const QString &rateField)
{
    const QString normalized = normalizeDecimal(rateField.trimmed(), -1);
    const auto value = numericValue(normalized);
    QString text = value ? rateText(*value) : normalized;
    return text.replace(QLatin1Char(','), QLatin1Char('.'));
}

// Category 1..5 of the last configured rate equal to the line's; empty when
// none matches.
QString categoryForRate(const QString &rateField)
{
    const QString wanted = lineRateText(rateField);
    QString category;
    for (int i = 0; i < 5; ++i) {
        if (rateText(GetVatRate(i)) == wanted)
            category = QString::number(i + 1);
    }
    return category;
}

QString saleCategory(const Job &job, const PluFields &f)
{
    QString category = categoryForRate(f.vatRate);
    if (job.settings.ddep != kTrue) {
        const QString fee = feeCategory(f.description, category);
        if (fee != category)
            category = fee;
    } else if (!f.department.trimmed().isEmpty()) {
        category = f.department.trimmed();
    }
    return category;
}

// A blank field at the very end of the line (six spaces after column 56)
// stands for a price of 1.
QString salePrice(const QString &priceField)
{
    const QString price = priceField == QString(6, QLatin1Char(' ')) ? QStringLiteral("1") : priceField;
    return normalizeDecimal(price.trimmed(), -1);
}

// pos21 has no quantity field on its receipt line, so the quantity goes in
// front of the description within the 20 characters it prints.
QString pos21Description(const QString &quantity, const QString &description)
{
    const qsizetype at = quantity.indexOf(systemDecimalSeparator());
    const QString whole = at < 0 ? quantity : quantity.left(at);
    const QString fraction = at < 0 ? QString() : quantity.mid(at + 1);
    QString out;
    if (fraction == QLatin1String("000"))
        out = whole + QStringLiteral("* ") + description.left(qMax<qsizetype>(0, 18 - whole.size()));
    else
        out = whole + QLatin1Char(',') + fraction + QStringLiteral("* ")
            + description.left(qMax<qsizetype>(0, 13 - whole.size()));
    return out.left(20);
}

// Quantity 1 is compared by value: on a "," system the text reads "1,000".
QString describeQuantity(const Job &job, const QString &quantity, const QString &description)
{
    const TranslationSettings &s = job.settings;
    if (s.qua != kTrue || s.descpr != kTrue || numericValue(quantity) == 1.0)
        return description;
    if (s.ecrt == QLatin1String("mikro"))
        return description.left(24);
    if (s.ecrt == QLatin1String("pos21"))
        return pos21Description(quantity, description);
    return description;
}

void setItemCode(Job &job, const QString &code)
{
    const QString &codepr = job.settings.CODEPR;
    if (codepr.startsWith(QLatin1String("true N")))
        job.record.CODE = QLatin1Char('N') + code;
    else if (codepr.startsWith(QLatin1String("true A")))
        job.record.CODE = QLatin1Char('A') + code;
}

} // namespace

LineResult handlePLU(Job &job, const PluFields &f)
{
    LineRecord &r = job.record;
    const bool printDescription = job.settings.descpr != QLatin1String("fals");
    const QString description = printDescription ? greek::simpleUpper(f.description) : QString();
    r.price = salePrice(f.price);
    r.quantity = normalizeDecimal(f.quantity.trimmed(), 3);
    if (!isNumeric(r.quantity))
        return LineResult::EndLine;
    const QString category = saleCategory(job, f);
    setItemCode(job, f.code);
    r.linetype = linetype::Sale;
    r.chr = greek::itemTextConversion(describeQuantity(job, r.quantity, description));
    if (category.isEmpty()) {
        MsgBox(window(), kUnknownVatCategory, mb::Exclamation);
        return LineResult::Next;
    }
    r.vat = category;
    comms(job);
    return LineResult::Next;
}

} // namespace dravimo
