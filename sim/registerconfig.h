#pragma once
// How the simulated register is programmed: VAT rates, departments, limits,
// header and footer. Scenario lines change these (see docs/ecrsim.md).

#include <QDateTime>
#include <QMap>
#include <QString>
#include <QStringList>
#include <QtGlobal>

#include <array>
#include <optional>

namespace dravimo::sim {

struct RegisterConfig
{
    // VAT rates in hundredths of a percent for categories 1..5 (index 0 is
    // "outside VAT"). The defaults follow the usual Greek numbering: 1 = 24%,
    // 2 = 13%, 3 = 6%, 4 = 17%, 5 = 9%.
    std::array<qint64, 6> vatRates{0, 2400, 1300, 600, 1700, 900};
    // Departments 1..5 sell in the VAT category of the same number; others in
    // the category given here, outside VAT (0) when not listed.
    QMap<int, int> departmentVat;
    // Highest unit price one sale may carry, in cents (DE1091 above it).
    qint64 priceLimit = 9999999;
    // Highest cash payment in cents (DE1014 above it); 0 means no limit.
    qint64 cashLimit = 0;
    // When set, a payment needs the subtotal key first (DE3 otherwise).
    bool requireSubtotal = false;
    // When set, a card charge the terminal has started survives any key
    // pressed on the register meanwhile (the terminal finishes it and the
    // register books it); otherwise a key abandons it.
    bool cardOutlivesKeys = false;
    // Status replies in the "STATUS:DE<code>C" form instead of "STAT:<code>".
    bool statusDeForm = false;
    QStringList header{QStringLiteral("ΚΑΤΑΣΤΗΜΑ ΔΟΚΙΜΩΝ"), QStringLiteral("ΑΦΜ 000000000")};
    QStringList footer{QStringLiteral("ΕΥΧΑΡΙΣΤΟΥΜΕ ΠΟΛΥ")};
    // Date and time printed on slips; the clock's wall time when unset, so
    // golden rolls can fix it.
    std::optional<QDateTime> fixedDate;

    int vatOf(int department) const
    {
        if (department >= 1 && department <= 5)
            return department;
        return departmentVat.value(department, 0);
    }
};

} // namespace dravimo::sim
