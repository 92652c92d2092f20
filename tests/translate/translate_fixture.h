#pragma once
// Shared ground for the translator's tests: a scratch working folder with
// vats.dat, a scripted register and a recording window, a clock that stands
// still at a known date, a chosen decimal separator, and builders for
// fixed-column lines.

#include "harness.h"
#include "scratch.h"

#include "core/numbers.h"
#include "core/progressindicator.h"
#include "greek/cp1253.h"
#include "greek/recipes.h"
#include "settings/settings.h"
#include "settings/vats.h"
#include "translate/handlers.h"
#include "translate/job.h"

#include <QDir>
#include <QStringList>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <memory>
#include <ostream>

inline void PrintTo(const QString &s, std::ostream *os)
{
    *os << '"' << s.toStdString() << '"';
}

namespace dravimo::test {

inline const QString kFixedDate = QStringLiteral("12/07/2026 10:20:30");

// Options of a plain "mikro" set-up: descriptions printed, no codes, comments
// on, keyboard not locked, departments from the VAT rate.
inline TranslationOptions defaultOptions()
{
    TranslationOptions o;
    o.printDescriptions = true;
    o.itemCodes = ItemCodes::None;
    o.commentLines = true;
    o.currency = Currency::AsInFile;
    o.keyboardLocked = false;
    o.ecrModel = EcrModel::Mikro;
    o.departmentFromLine = false;
    o.quantityInDescription = false;
    return o;
}

// Writes `value` into `line` from a 1-based column, padding with spaces.
inline QString put(QString line, int column, const QString &value)
{
    if (line.size() < column - 1 + value.size())
        line = line.leftJustified(column - 1 + value.size(), QLatin1Char(' '));
    line.replace(column - 1, value.size(), value);
    return line;
}

struct Plu
{
    QString code;
    QString description;
    QString quantity = QStringLiteral("1");
    QString price = QStringLiteral("1.50");
    QString rate = QStringLiteral("13");
    QString department;
};

// A "PLU" line with every field in its column; the line ends after the last
// field given.
inline QString pluLine(const Plu &p)
{
    QString l = put(QStringLiteral(" PLU"), 6, p.code.leftJustified(14, QLatin1Char(' ')));
    l = put(l, 20, p.description.leftJustified(24, QLatin1Char(' ')));
    l = put(l, 48, p.quantity.rightJustified(7, QLatin1Char(' ')));
    l = put(l, 57, p.price.rightJustified(9, QLatin1Char(' ')));
    l = put(l, 69, p.rate.rightJustified(5, QLatin1Char(' ')));
    if (!p.department.isEmpty())
        l = put(l, 74, p.department.rightJustified(3, QLatin1Char(' ')));
    return l;
}

// A line of a three-letter type with its first field at column 7.
inline QString codeLine(const QString &code, const QString &field7 = {})
{
    return put(QLatin1Char(' ') + code + QLatin1Char(' '), 7, field7);
}

// The characters whose Windows-1253 bytes are given (ECR codes in expected
// commands).
inline QString bytes(const char *raw)
{
    return cp1253::decode(QByteArray(raw));
}

class TranslateTest : public ::testing::Test
{
protected:
    void SetUp() override
    {
        clock_.wall = QDateTime(QDate(2026, 7, 12), QTime(10, 20, 30));
        results_.setPath(QStringLiteral("Result"));
        ASSERT_TRUE(saveVatRates({6.0, 13.0, 24.0, 0.0, 17.0}));
    }

    // The machine's decimal separator; before the first line runs.
    void useDecimalSeparator(QChar separator) { session_.numbers = NumberFormat(separator); }

    // The job the lines run in, made with the current settings on first use.
    Job &job()
    {
        if (!job_)
            job_ = std::make_unique<Job>(session_, settings_);
        return *job_;
    }

    // Runs lines through the recognition loop and returns every command sent
    // so far.
    QStringList runLines(const QStringList &lines)
    {
        for (const QString &line : lines) {
            job().record.clearPerLine();
            recogniseLine(job(), line);
        }
        return ecr_.commandsWithQuiet();
    }

    QString path(const QString &name) const { return scratch_.path(name); }

    ScratchFolder scratch_;
    TestClock clock_;
    ScriptedRegister ecr_;
    RecordingWindow window_;
    ResultFile results_;
    EcrSession session_{ecr_, window_, clock_, results_, NumberFormat(QLatin1Char('.'))};
    ProgressIndicator progress_{window_};
    TranslationOptions settings_ = defaultOptions();
    std::unique_ptr<Job> job_;
};

} // namespace dravimo::test
