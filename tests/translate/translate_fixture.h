#pragma once
// Shared ground for the translator's tests: a scratch working folder with
// vats.dat, a recording register and window, a clock that stands still at a
// known date, a chosen decimal separator, and builders for fixed-column lines.

#include "recording_ecr.h"
#include "recording_window.h"

#include "core/clock.h"
#include "core/numbers.h"
#include "core/shared.h"
#include "settings/vats.h"
#include "greek/cp1253.h"
#include "greek/recipes.h"
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

// Program time stands still; the wall clock always reads 12/07/2026 10:20:30.
class FixedDateClock : public VirtualClock
{
public:
    QDateTime wallNow() const override { return QDateTime(QDate(2026, 7, 12), QTime(10, 20, 30)); }
};

inline const QString kFixedDate = QStringLiteral("12/07/2026 10:20:30");

// Settings of a plain "mikro" set-up: descriptions printed, no codes,
// comments on, keyboard not locked, departments from the VAT rate.
inline TranslationSettings defaultSettings()
{
    TranslationSettings s;
    s.descpr = QStringLiteral("true");
    s.CODEPR = QStringLiteral("falseN");
    s.comment = QStringLiteral("true");
    s.DLAY = QStringLiteral("0");
    s.curr = QStringLiteral("0");
    s.keyboff = QStringLiteral("fals");
    s.ecrt = QStringLiteral("mikro");
    s.ddep = QStringLiteral("fals");
    s.qua = QStringLiteral("fals");
    return s;
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
        ASSERT_TRUE(dir_.isValid());
        previousFolder_ = QDir::currentPath();
        QDir::setCurrent(dir_.path());
        setWindow(&window_);
        setDecimalSeparatorOverride(QLatin1Char('.'));
        ASSERT_TRUE(SaveVatRates({6.0, 13.0, 24.0, 0.0, 17.0}));
        shared() = SharedState{};
    }

    void TearDown() override
    {
        setWindow(nullptr);
        setDecimalSeparatorOverride(std::nullopt);
        greek::setExternalConverter({});
        shared() = SharedState{};
        QDir::setCurrent(previousFolder_);
    }

    // The job the lines run in, made with the current settings on first use.
    Job &job()
    {
        if (!job_)
            job_ = std::make_unique<Job>(ecr_, settings_);
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
        return ecr_.commands();
    }

    QString path(const QString &name) const { return dir_.filePath(name); }

    QTemporaryDir dir_;
    QString previousFolder_;
    ScopedClock clock_{std::make_unique<FixedDateClock>()};
    RecordingEcr ecr_;
    RecordingWindow window_;
    TranslationSettings settings_ = defaultSettings();
    std::unique_ptr<Job> job_;
};

} // namespace dravimo::test
