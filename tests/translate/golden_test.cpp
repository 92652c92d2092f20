// Whole print files as golden cases: each folder under data/ holds a print
// file, the settings it runs with, the register's scripted answers, and the
// exact commands and result lines it must produce (see data/README.md).
#include "translate_fixture.h"

#include "core/files.h"
#include "translate/printfile.h"
#include "translate/translator.h"

#include <QDirIterator>
#include <QFile>
#include <QHash>
#include <QRegularExpression>

#include <cstdlib>
#include <iostream>

using namespace dravimo;
using namespace dravimo::test;

namespace {

const QString kDataFolder = QStringLiteral(DRAVIMO_TRANSLATE_DATA);

std::vector<std::string> caseNames()
{
    std::vector<std::string> names;
    QDirIterator it(kDataFolder, QDir::Dirs | QDir::NoDotAndDotDot);
    while (it.hasNext()) {
        it.next();
        names.push_back(it.fileName().toStdString());
    }
    std::sort(names.begin(), names.end());
    return names;
}

// One command per line, in brackets so trailing spaces show; bytes outside
// printable ASCII as \xNN, CR and LF as \r and \n.
QString escapeCommand(const QString &command)
{
    QString out = QStringLiteral("[");
    for (char c : cp1253::encode(command)) {
        const auto b = static_cast<unsigned char>(c);
        if (b == '\\')
            out += QStringLiteral("\\\\");
        else if (b == '\r')
            out += QStringLiteral("\\r");
        else if (b == '\n')
            out += QStringLiteral("\\n");
        else if (b < 0x20 || b >= 0x7F)
            out += QStringLiteral("\\x") + QString::number(b, 16).toUpper().rightJustified(2, QLatin1Char('0'));
        else
            out += QChar(char16_t(b));
    }
    return out + QLatin1Char(']');
}

QString unescape(const QString &text)
{
    QString out = text;
    out.replace(QStringLiteral("\\n"), QStringLiteral("\n"));
    return out;
}

QString readUtf8(const QString &name)
{
    QFile f(name);
    return f.open(QIODevice::ReadOnly) ? QString::fromUtf8(f.readAll()) : QString();
}

QStringList nonEmptyLines(const QString &text)
{
    QStringList lines = splitLines(text);
    lines.removeAll(QString());
    return lines;
}

QStringList maskDates(QStringList lines)
{
    static const QRegularExpression date(QStringLiteral("\\d\\d/\\d\\d/\\d{4} \\d\\d:\\d\\d:\\d\\d"));
    for (QString &l : lines)
        l.replace(date, QStringLiteral("<date>"));
    return lines;
}

class Golden : public TranslateTest, public ::testing::WithParamInterface<std::string>
{
protected:
    QString caseFile(const char *name) const
    {
        return kDataFolder + QLatin1Char('/') + QString::fromStdString(GetParam()) + QLatin1Char('/')
            + QLatin1String(name);
    }

    // "key=value" lines: the translation settings, "vats" (five rates) and
    // "separator" (the system decimal separator).
    void applySettings()
    {
        for (const QString &line : nonEmptyLines(readUtf8(caseFile("settings.txt")))) {
            const QString key = line.section(QLatin1Char('='), 0, 0);
            const QString value = line.section(QLatin1Char('='), 1);
            applySetting(key, value);
        }
    }

    // The translation settings go through param.ini and its reader, so the
    // short forms are judged as the program judges them.
    void applySetting(const QString &key, const QString &value)
    {
        static const QHash<QString, QString> keys = {
            {QStringLiteral("descpr"), QStringLiteral("[print_desc] ")},
            {QStringLiteral("CODEPR"), QStringLiteral("[print_code] ")},
            {QStringLiteral("comment"), QStringLiteral("[comments] ")},
            {QStringLiteral("curr"), QStringLiteral("[currency]=")},
            {QStringLiteral("keyboff"), QStringLiteral("[keyb_off]=")},
            {QStringLiteral("ecrt"), QStringLiteral("[ecrt] ")},
            {QStringLiteral("ddep"), QStringLiteral("[dir_depa]=")},
            {QStringLiteral("qua"), QStringLiteral("[quantity]=")},
        };
        if (keys.contains(key))
            paramIni_ += keys.value(key) + value + QStringLiteral("\r\n");
        if (key == QLatin1String("separator"))
            useDecimalSeparator(value.at(0));
        if (key == QLatin1String("vats")) {
            const QStringList r = value.split(QLatin1Char(' '), Qt::SkipEmptyParts);
            ASSERT_EQ(r.size(), 5);
            ASSERT_TRUE(
                saveVatRates({r[0].toDouble(), r[1].toDouble(), r[2].toDouble(), r[3].toDouble(), r[4].toDouble()}));
        }
    }

    TranslationOptions readOptions()
    {
        EXPECT_TRUE(writeTextFile(path(QStringLiteral("param.ini")), paramIni_));
        const auto s = readSettingsFile(SettingsVariant::Startup, {}, path(QStringLiteral("param.ini")));
        EXPECT_TRUE(s);
        return s ? s->translation : TranslationOptions{};
    }

    // "command<TAB>result<TAB>reply" lines.
    void scriptReplies()
    {
        for (const QString &line : nonEmptyLines(readUtf8(caseFile("replies.txt")))) {
            const QStringList f = line.split(QLatin1Char('\t'));
            ASSERT_EQ(f.size(), 3) << line.toStdString();
            ecr_.answer(unescape(f[0]), qint16(f[1].toInt()), unescape(f[2]));
        }
    }

    QString paramIni_;

    QStringList sentCommands() const
    {
        QStringList out;
        for (const SentCommand &c : ecr_.sent)
            out.append(escapeCommand(c.command) + QLatin1Char(' ') + kindName(c.kind));
        return out;
    }
};

TEST_P(Golden, CommandsAndResultLines)
{
    applySettings();
    scriptReplies();
    const QString printFile = path(QStringLiteral("print.prn"));
    ASSERT_TRUE(QFile::copy(caseFile("print.prn"), printFile));
    Translator translator(session_, progress_);
    ASSERT_TRUE(translator.translate(printFile, readOptions()));
    const QString resultName =
        directiveValue(*readTextFile(printFile), QStringLiteral("resFile:"), QStringLiteral("Result"));
    const QStringList results = maskDates(splitLines(readTextFile(resultName).value_or(QString())));
    if (std::getenv("DRAVIMO_GOLDEN_SHOW"))
        std::cout << sentCommands().join(QLatin1Char('\n')).toStdString() << "\n--\n"
                  << results.join(QLatin1Char('\n')).toStdString() << "\n";
    EXPECT_EQ(sentCommands(), nonEmptyLines(readUtf8(caseFile("commands.txt"))));
    EXPECT_EQ(results, nonEmptyLines(readUtf8(caseFile("result.txt"))));
    EXPECT_TRUE(window_.boxes.isEmpty());
}

INSTANTIATE_TEST_SUITE_P(Translate, Golden, ::testing::ValuesIn(caseNames()),
                         [](const ::testing::TestParamInfo<std::string> &info) { return info.param; });

} // namespace
