#pragma once
// The five VAT rates of vats.dat: five little-endian IEEE doubles, 40 bytes,
// no header. Rate i (0..4) belongs to ECR category i + 1. The file lives in the
// working folder and is opened and closed by every operation, so a rate saved
// by the settings dialog is seen by the very next sale line.

#include <QString>

#include <array>

namespace dravimo {

inline const QString kVatFile = QStringLiteral("vats.dat");

using VatRates = std::array<double, 5>;

// The five rates as the settings dialog shows them: each in the system number
// format, or "0" in every box when the file cannot be read.
std::array<QString, 5> loadVatRates(const QString &fileName = kVatFile);

// Turns the five box texts into rates. Every "." becomes "," in the box text
// (the texts are updated in place); the conversion then reads either mark as
// the decimal mark, so "6.5" and "6,5" are both 6.5 whatever the locale.
// Returns false at the first text that is not a number.
bool collectVatRates(std::array<QString, 5> &boxes, VatRates &rates);

// Writes the five rates from offset 0; a longer existing file keeps its tail.
bool saveVatRates(const VatRates &rates, const QString &fileName = kVatFile);

// Rate of category index + 1 (index 0..4), or 0 when the file cannot be read.
double vatRate(int index, const QString &fileName = kVatFile);

} // namespace dravimo
