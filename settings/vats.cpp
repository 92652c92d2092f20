#include "settings/vats.h"

#include "core/files.h"
#include "core/numbers.h"

#include <QFile>
#include <QLocale>
#include <QtEndian>

#include <cstring>

namespace dravimo {
namespace {

std::optional<double> readRate(QFile &f, int index)
{
    if (!f.seek(qint64(index) * 8))
        return std::nullopt;
    const QByteArray raw = f.read(8);
    if (raw.size() != 8)
        return std::nullopt;
    const quint64 bits = qFromLittleEndian<quint64>(raw.constData());
    double v;
    std::memcpy(&v, &bits, sizeof v);
    return v;
}

} // namespace

std::array<QString, 5> loadVatRates(const QString &fileName)
{
    std::array<QString, 5> boxes;
    boxes.fill(QStringLiteral("0"));
    QFile f(fileName);
    if (!f.open(QIODevice::ReadOnly))
        return boxes;
    VatRates rates{};
    for (int i = 0; i < 5; ++i) {
        const auto r = readRate(f, i);
        if (!r)
            return boxes;
        rates[i] = *r;
    }
    QLocale locale = QLocale::system();
    locale.setNumberOptions(QLocale::OmitGroupSeparator);
    // The shortest text that reads back as the same rate: 15 digits turned
    // the largest rates into a number too big to read back, and the dialog
    // then refused its own boxes.
    for (int i = 0; i < 5; ++i)
        boxes[i] = locale.toString(rates[i], 'g', QLocale::FloatingPointShortest);
    return boxes;
}

bool collectVatRates(std::array<QString, 5> &boxes, VatRates &rates)
{
    for (int i = 0; i < 5; ++i) {
        boxes[i].replace(QLatin1Char('.'), QLatin1Char(','));
        // A fixed decimal mark instead of the locale's: the box text now always
        // carries ",", which must read as the decimal mark on every system.
        QString t = boxes[i];
        t.replace(QLatin1Char(','), QLatin1Char('.'));
        const QString trimmed = t.trimmed();
        bool ok = !trimmed.isEmpty() && trimmed.count(QLatin1Char('.')) <= 1;
        const double v = ok ? trimmed.toDouble(&ok) : 0.0;
        if (!ok)
            return false;
        rates[i] = v;
    }
    return true;
}

bool saveVatRates(const VatRates &rates, const QString &fileName)
{
    // Whatever lies beyond the first 40 bytes is kept.
    QByteArray out;
    QFile f(fileName);
    if (f.open(QIODevice::ReadOnly))
        out = f.readAll();
    f.close();
    if (out.size() < 40)
        out.resize(40, '\0');
    for (int i = 0; i < 5; ++i) {
        quint64 bits;
        std::memcpy(&bits, &rates[i], sizeof bits);
        qToLittleEndian<quint64>(bits, out.data() + qsizetype(i) * 8);
    }
    return saveFileSafely(fileName, out);
}

double vatRate(int index, const QString &fileName)
{
    if (index < 0 || index > 4)
        return 0.0;
    QFile f(fileName);
    if (!f.open(QIODevice::ReadOnly))
        return 0.0;
    return readRate(f, index).value_or(0.0);
}

} // namespace dravimo
