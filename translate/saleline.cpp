// "PLU" lines: the handler that reads a sale line, and the item-sale branch of
// sendOperation.
#include "translate/handlers.h"

#include "core/numbers.h"
#include "core/window.h"
#include "greek/recipes.h"
#include "settings/vats.h"
#include "translate/amounts.h"
#include "translate/envfee.h"

namespace dravimo {
namespace {

const QString kUnknownVatCategory = QStringLiteral("Ανύπαρκτη κατηγορία ΦΠΑ ");
const QString kWrongAmount = QStringLiteral("Λάθος ποσό στο αρχείο!");
const QString kWrongQuantity = QStringLiteral("Λάθος ποσότητα είδους στην ταμειακή!");

// Rates are compared as text with two decimals and a point, the way both the
// line and vats.dat are shown to the operator.
QString rateText(double rate)
{
    return QString::number(rate, 'f', 2);
}

QString lineRateText(const QString &rateField, const NumberFormat &numbers)
{
    const QString normalized = normalizeDecimal(rateField.trimmed(), -1, numbers);
    const auto value = numbers.value(normalized);
    QString text = value ? rateText(*value) : normalized;
    return text.replace(QLatin1Char(','), QLatin1Char('.'));
}

// Category 1..5 of the last configured rate equal to the line's; empty when
// none matches.
QString categoryForRate(const QString &rateField, const NumberFormat &numbers)
{
    const QString wanted = lineRateText(rateField, numbers);
    QString category;
    for (int i = 0; i < 5; ++i) {
        if (rateText(vatRate(i)) == wanted)
            category = QString::number(i + 1);
    }
    return category;
}

QString saleCategory(const Job &job, const SaleFields &f)
{
    QString category = categoryForRate(f.vatRate, job.numbers());
    if (!job.options.departmentFromLine) {
        const QString fee = feeCategory(f.description, category, job.numbers());
        if (fee != category)
            category = fee;
    } else if (!f.department.trimmed().isEmpty()) {
        category = f.department.trimmed();
    }
    return category;
}

// A blank field at the very end of the line (six spaces after column 56)
// stands for a price of 1.
QString salePrice(const QString &priceField, const NumberFormat &numbers)
{
    const QString price = priceField == QString(6, QLatin1Char(' ')) ? QStringLiteral("1") : priceField;
    return normalizeDecimal(price.trimmed(), -1, numbers);
}

// pos21 has no quantity field on its receipt line, so the quantity goes in
// front of the description within the 20 characters it prints.
QString pos21Description(const QString &quantity, const QString &description, QChar separator)
{
    const qsizetype at = quantity.indexOf(separator);
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
    const TranslationOptions &o = job.options;
    if (!o.quantityInDescription || job.numbers().value(quantity) == 1.0)
        return description;
    if (o.ecrModel == EcrModel::Mikro)
        return description.left(24);
    if (o.ecrModel == EcrModel::Pos21)
        return pos21Description(quantity, description, job.numbers().decimalSeparator());
    return description;
}

// The width the description may take on the receipt line: the field's 24,
// or 20 when pos21 carries the quantity in front of it. A symbol written out
// in full ("€" as "EUR") must not push the text past it.
qsizetype descriptionWidth(const Job &job, const QString &quantity)
{
    const TranslationOptions &o = job.options;
    const bool pos21Quantity =
        o.quantityInDescription && o.ecrModel == EcrModel::Pos21 && job.numbers().value(quantity) != 1.0;
    return pos21Quantity ? 20 : 24;
}

void setItemCode(Job &job, const QString &code)
{
    if (job.options.itemCodes == ItemCodes::Numeric)
        job.record.itemCode = QLatin1Char('N') + code;
    else if (job.options.itemCodes == ItemCodes::Alphanumeric)
        job.record.itemCode = QLatin1Char('A') + code;
}

} // namespace

LineResult handleSale(Job &job, const SaleFields &f)
{
    LineRecord &r = job.record;
    const bool printDescription = job.options.printDescriptions;
    const QString description = printDescription ? greek::simpleUpper(f.description) : QString();
    r.price = salePrice(f.price, job.numbers());
    r.quantity = normalizeDecimal(f.quantity.trimmed(), 3, job.numbers());
    if (!job.numbers().isNumeric(r.quantity))
        return LineResult::EndLine;
    // The register takes whole cents and thousandths of a unit: a finer
    // value would be rounded or refused there, so the line is refused here.
    const auto price = atMostDecimals(r.price, 2);
    const auto quantity = atMostDecimals(r.quantity, 3);
    if (!price || !quantity) {
        if (!quantity)
            plainMessageBox(job.ecr.window, kWrongQuantity, mb::Exclamation);
        else
            messageBox(job.ecr.window, kWrongAmount, mb::Exclamation);
        job.refuseLine();
        return LineResult::EndLine;
    }
    r.price = *price;
    r.quantity = *quantity;
    const QString category = saleCategory(job, f);
    setItemCode(job, f.code);
    r.operation = Operation::Sale;
    const QString described = describeQuantity(job, r.quantity, description);
    r.text = greek::itemTextConversion(described).left(qMax(described.size(), descriptionWidth(job, r.quantity)));
    if (category.isEmpty()) {
        messageBox(job.ecr.window, kUnknownVatCategory, mb::Exclamation);
        return LineResult::Next;
    }
    r.department = category;
    sendOperation(job);
    return LineResult::Next;
}

} // namespace dravimo
