#include "settings/settings.h"

#include "core/clock.h"
#include "core/files.h"
#include "core/shared.h"

#include <QDate>
#include <QStringList>

namespace dravimo {
namespace {

// One key of param.ini: the text compared at column 1 (case-sensitive, over
// the key's own length), the 1-based column the value starts at, its maximum
// length, and where the value goes.
struct Key
{
    const char *text;
    int column;
    int length;
    QString Settings::*field;
};

// The 1-based slice of a line, as the fixed-column format defines it: a value
// that starts past the end is empty, one that runs past the end is shorter.
QString slice(const QString &line, int column, int length)
{
    return line.mid(column - 1, length);
}

const Key kCommonKeys[] = {
    {"[file]", 8, 30, &Settings::file},          {"[code]", 8, 3, &Settings::code},
    {"[ecrt]", 8, 5, &Settings::ecrt},           {"[multi type]", 14, 4, &Settings::multiType},
    {"[time]", 8, 5, &Settings::DLAY},           {"[print_desc]", 14, 4, &Settings::descpr},
    {"[print_code]", 14, 6, &Settings::CODEPR},  {"[comments]", 12, 4, &Settings::comment},
    {"[currency]", 12, 1, &Settings::curr},      {"[keyb_off]", 12, 4, &Settings::keyboff},
    {"[dir_depa]", 12, 4, &Settings::ddep},      {"[quantity]", 12, 4, &Settings::qua},
    {"[location]", 12, 99, &Settings::location},
};

void applyLine(const QString &line, SettingsVariant variant, Settings &s, QString &Baud)
{
    const bool poll = variant == SettingsVariant::Poll;
    if (line.startsWith(QLatin1String("[port]"))) {
        s.port = slice(line, 8, poll ? 20 : 15).trimmed();
        shared().connectionString = s.port;
    }
    if (line.startsWith(QLatin1String("[baud]"))) {
        Baud = slice(line, 8, poll ? 6 : 5);
        // Appends to whatever the connection text holds now: a "[baud]" line
        // before the "[port]" line is lost when the port line replaces it.
        shared().connectionString += QLatin1Char(':') + Baud;
    }
    for (const Key &k : kCommonKeys) {
        if (line.startsWith(QLatin1String(k.text)))
            s.*(k.field) = slice(line, k.column, k.length);
    }
    if (!poll) {
        if (line.startsWith(QLatin1String("[convert2]")))
            s.convert2 = slice(line, 12, 12);
        if (line.left(14).toUpper() == QLatin1String("[AUTOSTAR]=YES"))
            s.autoStar = true;
    }
    if (variant == SettingsVariant::Dialog && line.startsWith(QLatin1String("[Defacto_]")))
        s.Defacto = slice(line, 12, 2);
}

QString ecrtLine(const QString &machineType)
{
    const QString t = machineType.toLower();
    if (t == QLatin1String("mikropos"))
        return QStringLiteral("[ecrt] mikro");
    if (t == QLatin1String("poseidon 21") || t == QLatin1String("pos21"))
        return QStringLiteral("[ecrt] pos21");
    if (t == QLatin1String("tec  fiscal printer"))
        return QStringLiteral("[ecrt] TECFP");
    return {};
}

QString trueFalse(bool on)
{
    return on ? QStringLiteral("true") : QStringLiteral("false");
}

} // namespace

std::optional<Settings> ReadSettingsFile(SettingsVariant variant, QString &Baud, const QString &fileName)
{
    const auto text = ReadTextFile(fileName);
    if (!text)
        return std::nullopt;
    Settings s;
    for (const QString &line : SplitLines(*text))
        applyLine(line, variant, s, Baud);
    return s;
}

bool WriteSettingsFile(const SettingsDialogValues &v, const QString &fileName)
{
    QString baud = v.baud;
    // A network address shows no baud box; without an explicit ":port" the
    // default network port is written.
    if (v.port.contains(QLatin1Char('.')) && !v.port.contains(QLatin1Char(':')))
        baud = QStringLiteral("5012");

    const QDate today = Clock::instance().wallNow().date();
    QStringList lines = {
        QStringLiteral("# Set up for dravimo program"),
        QStringLiteral("Created by  Dravimo on ") + today.toString(QStringLiteral("MM-dd-yyyy")),
        QStringLiteral("# Serial port setup. This can be Com1 or Com2,Com3,Com4 "),
        QStringLiteral("[port] ") + v.port.toLower(),
        QStringLiteral("# Baud rate setup. This usually is 9600. Valid baude rates are : 19200,9600"),
        QStringLiteral("# 4800,2400,1200. It can go low as 120 but with not tested results."),
        QStringLiteral("[baud] ") + baud.toLower(),
        QStringLiteral("# The file that the main application is exchanging data with pelmora."),
        QStringLiteral("# Depending on the application this can be managed to process receipts in a row."),
        QStringLiteral("# Setup the application to generate  \\myapp\\print.1 and dravcimo will"),
        QStringLiteral("# try to see if pending receipts are in files \\myapp\\print.2 ... print.10"),
        QStringLiteral("# This has also to do with [multi type] on or off"),
        QStringLiteral("[file] ") + v.file,
        QString(),
        QStringLiteral("# yes or no Depending on type structure"),
        QStringLiteral("[code] no"),
        QStringLiteral("# Type of machine"),
    };
    const QString ecrt = ecrtLine(v.machineType);
    if (!ecrt.isEmpty())
        lines << ecrt;
    lines << QStringLiteral("[multi type] ") + trueFalse(v.multi) << QStringLiteral("[time] 0")
          << QStringLiteral("[subtotal] yes") << QStringLiteral("[print_desc] ") + trueFalse(v.description);
    if (v.codeAscii)
        lines << QStringLiteral("[print_code] true A");
    if (v.codeNumeric)
        lines << QStringLiteral("[print_code] true N");
    if (!v.codeAscii && !v.codeNumeric)
        lines << QStringLiteral("[print_code] falseN");
    lines << QStringLiteral("[comments] ") + trueFalse(v.comments)
          << QStringLiteral("[currency]=") + QString::number(v.currency)
          << (v.keyboardLocked ? QStringLiteral("[keyb_off]=true ") : QStringLiteral("[keyb_off]=false"))
          << QStringLiteral("[dir_depa]=") + trueFalse(v.directDepartment)
          << QStringLiteral("[quantity]=") + trueFalse(v.quantity)
          << (v.autoStart ? QStringLiteral("[AutoStar]=yes") : QStringLiteral("[AutoStar]=no"))
          << QStringLiteral("################################") << QStringLiteral("# Customer Specific Parameters #")
          << QStringLiteral("################################") << QStringLiteral("[location] ") + v.location
          << QStringLiteral("# End of parameter file #");
    return WriteTextFile(fileName, lines.join(QStringLiteral("\r\n")) + QStringLiteral("\r\n"));
}

CommandLineFields readcoman(const QString &COMMan)
{
    QList<qsizetype> seps;
    for (qsizetype i = 0; i < COMMan.size() && seps.size() < 5; ++i) {
        if (COMMan.at(i) == QLatin1Char(',') || COMMan.at(i) == QLatin1Char(' '))
            seps.append(i);
    }
    // Field k (1..5) lies between separators k-1 and k; a field whose
    // separators are missing is empty. Field 6 is everything after the fifth.
    auto between = [&](int k) -> QString {
        if (k > seps.size())
            return {};
        const qsizetype from = k == 1 ? 0 : seps.at(k - 2) + 1;
        return COMMan.mid(from, seps.at(k - 1) - from);
    };
    CommandLineFields f;
    f.param1 = between(1);
    f.param2 = between(2);
    f.param3 = between(3);
    f.param4 = between(4);
    f.param5 = between(5);
    if (seps.size() == 5)
        f.param6 = COMMan.mid(seps.at(4) + 1);
    for (QString *p : {&f.param1, &f.param2, &f.param3, &f.param4, &f.param5, &f.param6}) {
        if (p->isEmpty())
            *p = QStringLiteral("e");
    }
    return f;
}

std::optional<CommandLineSettings> SettingsFromCommandLine(const QString &commandLine)
{
    const CommandLineFields f = readcoman(commandLine);
    if (f.param6.size() < 7)
        return std::nullopt;
    auto flag = [&](int i) {
        return f.param6.at(i) == QLatin1Char('1') ? QStringLiteral("true") : QStringLiteral("fals");
    };

    CommandLineSettings out;
    out.connectionString = f.param1;
    out.Baud = f.param2;
    Settings &s = out.settings;
    s.file = f.param3;
    s.DLAY = f.param4;
    s.ecrt = f.param5;
    switch (f.param6.at(0).unicode()) {
    case '0': s.CODEPR = QStringLiteral("fals"); break;
    case '1': s.CODEPR = QStringLiteral("true N"); break;
    case '2': s.CODEPR = QStringLiteral("true A"); break;
    default: break;
    }
    s.descpr = flag(1);
    s.comment = flag(2);
    s.curr = f.param6.at(3);
    s.keyboff = flag(4);
    s.ddep = flag(5);
    s.qua = flag(6);
    s.multiType = QStringLiteral("fals");
    s.code = QStringLiteral("true");
    return out;
}

} // namespace dravimo
