// vats.dat and payeft.dat as another program (or a damaged disk) may leave
// them: any length, any bytes.
//
// Input: the first byte picks the file (even: vats.dat, odd: payeft.dat), the
// rest is its content.
//
// Properties: vats.dat: every rate the translator reads is the one the file
// holds (0 past its end); a short file shows no rates in the dialog; a
// finite rate shown in the dialog's box is collected back as the same rate. payeft.dat: every record reads as its twelve bytes
// say (past the end: its own number, zeros), and writing one record back leaves every other
// byte of the file as it was.
#include "fuzzsupport.h"

#include "payments/payeft.h"
#include "settings/vats.h"

#include <QCoreApplication>
#include <QFile>
#include <QtEndian>

#include <cmath>
#include <cstring>

namespace {

bool writeFile(const QString &name, const QByteArray &bytes)
{
    QFile f(name);
    return f.open(QIODevice::WriteOnly | QIODevice::Truncate) && f.write(bytes) == bytes.size();
}

QByteArray readFile(const QString &name)
{
    QFile f(name);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
}

// A record cut short by the end of the file reads as if zeros followed.
qint16 wordAt(const QByteArray &file, qsizetype at)
{
    QByteArray word = file.mid(at, 2);
    word.resize(2, '\0');
    return qFromLittleEndian<qint16>(word.constData());
}

void checkVats(const QByteArray &bytes)
{
    using namespace dravimo;
    using fuzz::require;
    std::array<QString, 5> boxes = loadVatRates();
    const std::array<QString, 5> shown = boxes;
    VatRates collected{};
    // The translator reads each rate on its own: a rate the file holds is
    // read as its bytes say, one past its end as 0. The dialog reads all
    // five or none: a short file shows "0" in every box.
    for (int i = 0; i < 5; ++i) {
        double expected = 0.0;
        if (bytes.size() >= 8 * (i + 1))
            std::memcpy(&expected, bytes.constData() + 8 * i, sizeof expected);
        const double r = vatRate(i);
        require(std::memcmp(&r, &expected, sizeof r) == 0 || (std::isnan(r) && std::isnan(expected)),
                "a rate reads as its bytes say", QString::number(i));
        if (bytes.size() < 40)
            require(shown[i] == QLatin1String("0"), "a short vats.dat shows no rates", shown[i]);
    }
    if (bytes.size() < 40)
        return;
    bool finite = true;
    for (int i = 0; i < 5; ++i)
        finite = finite && std::isfinite(vatRate(i));
    if (!finite)
        return;
    require(collectVatRates(boxes, collected), "the dialog reads its own boxes back",
            QStringList(shown.begin(), shown.end()).join(QLatin1Char('|')));
    for (int i = 0; i < 5; ++i) {
        const double r = vatRate(i);
        require(std::abs(collected[i] - r) <= std::abs(r) * 1e-14, "a rate survives the dialog",
                QStringLiteral("%1 -> %2 -> %3").arg(r, 0, 'g', 17).arg(shown[i]).arg(collected[i], 0, 'g', 17));
    }
}

void checkPayments(const QByteArray &bytes)
{
    using namespace dravimo;
    using fuzz::require;
    const int records = int(bytes.size() / 128) + 2;
    for (int n = 1; n <= records; ++n) {
        const auto rec = readPaymentTypeRecord(n);
        require(rec.has_value(), "every record number reads", QString::number(n));
        const qsizetype at = qsizetype(n - 1) * 128;
        // Past the end the record reads as its own number and nothing else.
        const PaymentType expected = at >= bytes.size() ? PaymentType{qint16(n), 0, 0, 0, 0, 0} : PaymentType{wordAt(bytes, at), wordAt(bytes, at + 2), wordAt(bytes, at + 4),
                                   wordAt(bytes, at + 6), wordAt(bytes, at + 8), wordAt(bytes, at + 10)};
        require(*rec == expected, "a record reads as its bytes say", QString::number(n));
    }
    require(!readPaymentTypeRecord(0).has_value(), "record 0 does not exist");
    // Rewriting record 1 as it reads: only its own 128 bytes may change.
    const auto first = readPaymentTypeRecord(1);
    PaymentType rewrite = *first;
    rewrite.payment = 1;
    require(writePaymentType(rewrite) == 0, "a record is written");
    const QByteArray after = readFile(kPaymentFile);
    require(after.size() >= qMax<qsizetype>(bytes.size(), 128), "the file keeps its length or grows to the record");
    require(after.mid(128) == bytes.mid(128), "other records untouched");
    require(readPaymentTypeRecord(1) == rewrite, "the record reads back as written");
}

} // namespace

extern "C" int LLVMFuzzerInitialize(int *argc, char ***argv)
{
    static QCoreApplication app(*argc, *argv);
    dravimo::fuzz::enterScratchFolder();
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    dravimo::fuzz::Bytes in(data, size);
    const bool payments = in.next() & 1;
    const QByteArray bytes = in.rest();
    const QString name = payments ? dravimo::kPaymentFile : dravimo::kVatFile;
    QFile::remove(name);
    if (!writeFile(name, bytes))
        return 0;
    if (payments)
        checkPayments(bytes);
    else
        checkVats(bytes);
    return 0;
}
