#include "translate/envfee.h"

#include "greek/cp737.h"

namespace dravimo {
namespace {

const QString kFeeDepartment = QStringLiteral("8");

// Where the marker starts, trying the text as read before its DOS reading:
// hosts that type the marker in the DOS code page leave bytes that read as
// punctuation in Windows-1253.
qsizetype findMarker(const QString &description, const QString &dosReading, const QString &marker)
{
    const qsizetype p = description.indexOf(marker);
    return p >= 0 ? p : dosReading.indexOf(marker);
}

} // namespace

QString feeCategory(const QString &description, const QString &category, const NumberFormat &numbers)
{
    const QString dosReading = cp737::readAsDosGreek(description);
    qsizetype p = findMarker(description, dosReading, QStringLiteral("ΛΠΣΜ"));
    // Some keyboards give the Latin M for the last letter.
    if (p < 0)
        p = findMarker(description, dosReading, QStringLiteral("ΛΠΣM"));
    if (p < 0)
        return category;
    const QString sign = description.mid(p + 4, 1);
    const QString digits = description.mid(p + 5, 2);
    const auto department = numbers.value(digits);
    if (sign != QLatin1String("-") || !department)
        return kFeeDepartment;
    return QString::number(static_cast<qint64>(integerPart(*department)));
}

} // namespace dravimo
