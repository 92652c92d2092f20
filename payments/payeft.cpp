#include "payments/payeft.h"

#include "core/files.h"
#include "core/window.h"

#include <QFile>
#include <QtEndian>

namespace dravimo {
namespace {

constexpr qsizetype kRecordSize = 128;
constexpr qsizetype kFieldCount = 6;

} // namespace

std::optional<PaymentType> readPaymentTypeRecord(int n, const QString &fileName)
{
    if (n < 1)
        return std::nullopt;
    QFile f(fileName);
    // Opening creates the file when it is missing and the folder allows it,
    // so the payment-types dialog always finds one; a file Dravimo may only
    // read (installed by an administrator, on a read-only share) is read all
    // the same. A record past the end reads as zeros.
    if (!f.open(QIODevice::ReadWrite) && !f.open(QIODevice::ReadOnly))
        return std::nullopt;
    const qint64 offset = qint64(n - 1) * kRecordSize;
    if (offset >= f.size())
        return PaymentType{static_cast<qint16>(n), 0, 0, 0, 0, 0};
    if (!f.seek(offset))
        return std::nullopt;
    QByteArray raw = f.read(kFieldCount * 2);
    raw.resize(kFieldCount * 2, '\0');
    qint16 v[kFieldCount];
    for (qsizetype i = 0; i < kFieldCount; ++i)
        v[i] = qFromLittleEndian<qint16>(raw.constData() + 2 * i);
    return PaymentType{v[0], v[1], v[2], v[3], v[4], v[5]};
}

PaymentType readPaymentType(int n, Window &window, const QString &fileName)
{
    if (auto r = readPaymentTypeRecord(n, fileName))
        return *r;
    plainMessageBox(window, QStringLiteral("Αδυναμία ανάγνωσης παραμέτρων πληρωμών"), mb::Exclamation,
                    QStringLiteral("Μύνημα Dravimo"));
    return PaymentType{static_cast<qint16>(n), 0, 0, 0, 0, 0};
}

int writePaymentType(const PaymentType &record, const QString &fileName)
{
    if (record.payment < 1)
        return -1;
    QByteArray file;
    QFile f(fileName);
    if (f.open(QIODevice::ReadOnly))
        file = f.readAll();
    else if (f.exists())
        return -1;
    f.close();
    const qsizetype offset = qsizetype(record.payment - 1) * kRecordSize;
    // Records skipped over by a write far past the end read back as zeros.
    if (file.size() < offset + kRecordSize)
        file.resize(offset + kRecordSize, '\0');
    const qint16 v[kFieldCount] = {record.payment, record.ecrCode, record.terminal,
                                   record.active,  record.retries, record.fallback};
    for (qsizetype i = 0; i < kFieldCount; ++i)
        qToLittleEndian<qint16>(v[i], file.data() + offset + 2 * i);
    return saveFileSafely(fileName, file) ? 0 : -1;
}

int clearPaymentType(int n, const QString &fileName)
{
    return writePaymentType(PaymentType{static_cast<qint16>(n), 0, 0, 0, 0, 0}, fileName);
}

QString EcrPaymentName::name() const
{
    return type == 3 ? name_ + QStringLiteral(":ΠΡΟΦΟΡΤΩΜΕΝΗ") : name_;
}

int describeEcrPayment(int number, EcrPaymentName &description)
{
    static const char16_t *const kNames[] = {u"Μετρητά",   u"Κάρτα",     u"Πληρωμή C",
                                             u"Πληρωμή D", u"Πληρωμή E", u"Πληρωμή F"};
    if (number < 1 || number > 6) {
        description.active = false;
        return -1;
    }
    description.number = static_cast<qint16>(number);
    description.setName(QString::fromUtf16(kNames[number - 1]));
    description.active = true;
    description.type = 0;
    return 0;
}

} // namespace dravimo
