// The item-sale branch of sendOperation: the minus key, the quantity command, the
// code forms, the keyboard-locked form and the transfer form.
#include "translate/handlers.h"

#include "core/numbers.h"
#include "core/window.h"
#include "translate/amounts.h"

#include <cmath>
#include <cstdlib>
#include <limits>

namespace dravimo {
namespace {

const QString kWrongQuantity = QStringLiteral("Λάθος ποσότητα είδους στην ταμειακή!");
const QString kWrongAmount = QStringLiteral("Λάθος ποσό στο αρχείο!");

// The sign of a negative quantity goes to the ECR as the minus key; a
// negative price with a negative quantity is a plain sale. False when the
// price is not a number (the line is not sent).
bool prepareQuantity(Job &job)
{
    LineRecord &r = job.record;
    if (job.state.tableTransfer)
        r.quantity = QStringLiteral("1");
    const QChar minus = QLatin1Char('-');
    if (r.quantity.startsWith(minus) && r.price.startsWith(minus))
        r.quantity.remove(0, 1);
    const auto cents = priceInCents(r.price, job.numbers());
    if (!cents)
        return false;
    if (r.quantity.startsWith(minus)) {
        job.send(ecrcommand::minusKey());
        r.quantity = r.quantity.mid(1, 8);
        while (r.quantity.endsWith(QLatin1Char(' ')))
            r.quantity.chop(1);
    }
    r.price = QString::number(*cents);
    return true;
}

// A negative price with a positive quantity is a refund line: the minus key,
// then the sale with the unsigned price.
void minusRule(Job &job)
{
    LineRecord &r = job.record;
    const QChar minus = QLatin1Char('-');
    if (r.price.startsWith(minus) && !r.quantity.startsWith(minus)) {
        job.send(ecrcommand::minusKey());
        r.price.remove(0, 1);
    }
}

// Where no quantity command goes before the sale (item codes, a locked
// keyboard), the register books one unit at the price it is given, so the
// price is the line's total: unit price times quantity, rounded to the cent
// half away from zero, as the register rounds a quantity sale. The
// description already shows the quantity. The sign stays with the price.
// False when the total is beyond any number the program can hold: the line is
// refused rather than booked at its unit price.
bool priceAsLineTotal(Job &job)
{
    LineRecord &r = job.record;
    const auto quantity = job.numbers().value(r.quantity);
    if (!quantity)
        return true;
    const qint64 thousandths = std::llround(std::fabs(*quantity) * 1000.0);
    const qint64 cents = r.price.toLongLong();
    if (thousandths != 0 && std::llabs(cents) > (std::numeric_limits<qint64>::max() - 500) / thousandths) {
        messageBox(job.ecr.window, kWrongAmount, mb::Exclamation);
        job.refuseLine();
        return false;
    }
    const qint64 total = (std::llabs(cents) * thousandths + 500) / 1000;
    r.price = QString::number(cents < 0 ? -total : total);
    return true;
}

void sendKeyboardLockedSale(Job &job)
{
    const LineRecord &r = job.record;
    job.send(ecrcommand::departmentKey(r.department));
    job.send(ecrcommand::saleByPrice(r.price, r.text));
}

// Item codes: an "A" code is printed before the sale, an "N" code after it.
// No quantity command goes on this path: the price is the line's total.
void saleWithCode(Job &job)
{
    const LineRecord &r = job.record;
    if (r.itemCode.startsWith(QLatin1Char('A'))) {
        // 0x8D 0x86 ":" introduce an alphanumeric text on the ECR.
        const QString intro = QString(QChar(0x008D)) + QChar(0x2020) + QLatin1Char(':');
        job.send(ecrcommand::saleByBarcode(intro, r.itemCode.mid(1, 14)));
    }
    minusRule(job);
    if (job.options.keyboardLocked)
        sendKeyboardLockedSale(job);
    else
        job.send(ecrcommand::sale(r.price + QLatin1Char('R') + r.department + r.text));
    if (r.itemCode.startsWith(QLatin1Char('N')))
        job.send(ecrcommand::saleByCode(r.itemCode.mid(1, 15).trimmed()));
}

// The quantity command ("KX2.000* "), sent quietly: a refusal is reported as
// a quantity error, not as the ECR's own message. False when the ECR refused
// it and the sale must not follow.
bool sendQuantityCommand(Job &job)
{
    const QChar separator = job.numbers().decimalSeparator();
    QString q = job.record.quantity;
    if (q.size() > 3 && !q.contains(separator))
        q.insert(q.size() - 3, QLatin1Char(','));
    q = q.trimmed();
    const qsizetype at = q.indexOf(separator);
    const QString whole = at < 0 ? q : q.left(at);
    const QString fraction = at < 0 ? QString() : q.mid(at + 1);
    const NumberFormat &numbers = job.numbers();
    const bool isOne = numbers.value(job.record.quantity) == 1.0;
    if (!numbers.isNumeric(fraction) || numbers.valueOrZero(whole) < 0 || isOne)
        return true;
    const QString decimals = numbers.valueOrZero(fraction) != 0 ? fraction : QStringLiteral("000");
    return job.send(ecrcommand::quantity(whole + QLatin1Char('.') + decimals), Quiet::Yes) == 0;
}

// The ECR reads a description that starts with a digit as part of the amount.
QString leadingDigitSafe(const QString &description)
{
    const QString d = description.trimmed();
    const bool digitFirst = !d.isEmpty() && d.at(0) >= QLatin1Char('0') && d.at(0) <= QLatin1Char('9');
    return digitFirst ? QLatin1Char(' ') + d : d;
}

void sendSale(Job &job)
{
    const LineRecord &r = job.record;
    const QString sale = r.price + QLatin1Char('R') + r.department + leadingDigitSafe(r.text);
    if (!job.state.tableTransfer && !job.state.paymentTransfer) {
        job.send(ecrcommand::sale(sale));
        return;
    }
    if (job.send(ecrcommand::transferStart()) != 0)
        return;
    if (job.send(ecrcommand::transferItem(sale)) != 0)
        return;
    job.send(ecrcommand::transferConfirm());
}

void saleWithoutCode(Job &job)
{
    minusRule(job);
    if (!sendQuantityCommand(job)) {
        plainMessageBox(job.ecr.window, kWrongQuantity, mb::Exclamation);
        // The sale is not sent: the receipt is without the line.
        job.state.lineRefused = true;
        return;
    }
    sendSale(job);
}

} // namespace

void sendSaleOperation(Job &job)
{
    // An item for an open table: the table's total before it is what tells,
    // after a crash, whether the item reached the table.
    if (job.journal && !job.state.openTable.isEmpty() && !job.state.tableTransfer && !job.state.paymentTransfer) {
        if (const auto table = job.numbers().value(job.state.openTable))
            job.queries.tableTotal(static_cast<int>(integerPart(*table)));
    }
    LineRecord &r = job.record;
    if (!r.quantity.isEmpty()) {
        if (!prepareQuantity(job))
            return;
        if ((!r.itemCode.isEmpty() || job.options.keyboardLocked) && !priceAsLineTotal(job))
            return;
    }
    if (!r.itemCode.isEmpty()) {
        saleWithCode(job);
    } else if (!job.options.keyboardLocked) {
        saleWithoutCode(job);
    } else {
        minusRule(job);
        sendKeyboardLockedSale(job);
    }
}

} // namespace dravimo
