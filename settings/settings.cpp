#include "settings/settings.h"

#include "core/files.h"
#include "greek/cp1253.h"

#include <QFile>
#include <QFileInfo>
#include <QStringList>

namespace dravimo {
namespace {

// The values as cut from their columns, before any of them is judged.
struct RawSettings
{
    QString file;
    QString ecrt;
    QString multiType;
    QString descpr;
    QString codepr;
    QString comment;
    QString curr;
    QString keyboff;
    QString ddep;
    QString qua;
    QString location;
    bool autoStart = false;
};

// One key of param.ini: the text compared at column 1 (case-sensitive, over
// the key's own length), the 1-based column the value starts at, its maximum
// length, and where the value goes.
struct Key
{
    const char *text;
    int column;
    int length;
    QString RawSettings::*field;
};

// The 1-based slice of a line, as the fixed-column format defines it: a value
// that starts past the end is empty, one that runs past the end is shorter.
QString slice(const QString &line, int column, int length)
{
    return line.mid(column - 1, length);
}

const Key kCommonKeys[] = {
    {"[file]", 8, 30, &RawSettings::file},
    {"[ecrt]", 8, 5, &RawSettings::ecrt},
    {"[multi type]", 14, 4, &RawSettings::multiType},
    {"[print_desc]", 14, 4, &RawSettings::descpr},
    {"[print_code]", 14, 6, &RawSettings::codepr},
    {"[comments]", 12, 4, &RawSettings::comment},
    {"[currency]", 12, 1, &RawSettings::curr},
    {"[keyb_off]", 12, 4, &RawSettings::keyboff},
    {"[dir_depa]", 12, 4, &RawSettings::ddep},
    {"[quantity]", 12, 4, &RawSettings::qua},
    {"[location]", 12, 99, &RawSettings::location},
};

void applyLine(const QString &line, SettingsVariant variant, RawSettings &s, Connection &connection)
{
    const bool poll = variant == SettingsVariant::Poll;
    if (line.startsWith(QLatin1String("[port]")))
        connection.text = slice(line, 8, poll ? 20 : 15).trimmed();
    if (line.startsWith(QLatin1String("[baud]"))) {
        connection.baud = slice(line, 8, poll ? 6 : 5);
        connection.text += QLatin1Char(':') + connection.baud;
    }
    for (const Key &k : kCommonKeys) {
        if (line.startsWith(QLatin1String(k.text)))
            s.*(k.field) = slice(line, k.column, k.length);
    }
    if (!poll && line.left(14).toUpper() == QLatin1String("[AUTOSTAR]=YES"))
        s.autoStart = true;
}

bool isTrue(const QString &value)
{
    return value == QLatin1String("true");
}

ItemCodes itemCodes(const QString &value)
{
    if (value.startsWith(QLatin1String("true N")))
        return ItemCodes::Numeric;
    if (value.startsWith(QLatin1String("true A")))
        return ItemCodes::Alphanumeric;
    return value.left(4) == QLatin1String("fals") ? ItemCodes::None : ItemCodes::Unrecognised;
}

Currency currency(const QString &value)
{
    if (value == QLatin1String("0"))
        return Currency::AsInFile;
    if (value == QLatin1String("1"))
        return Currency::Main;
    if (value == QLatin1String("2"))
        return Currency::Secondary;
    if (value == QLatin1String("3"))
        return Currency::Third;
    return Currency::Unrecognised;
}

EcrModel ecrModel(const QString &value)
{
    if (value == QLatin1String("mikro"))
        return EcrModel::Mikro;
    if (value == QLatin1String("pos21"))
        return EcrModel::Pos21;
    return EcrModel::Other;
}

// The one place where the short forms are judged.
Settings typed(const RawSettings &raw, const Connection &connection)
{
    Settings s;
    TranslationOptions &t = s.translation;
    t.printDescriptions = raw.descpr != QLatin1String("fals");
    t.quantityInDescription = isTrue(raw.qua) && isTrue(raw.descpr);
    t.itemCodes = itemCodes(raw.codepr);
    t.commentLines = raw.comment == QLatin1String("true") || raw.comment == QLatin1String("TRUE");
    t.currency = currency(raw.curr);
    t.keyboardLocked = isTrue(raw.keyboff);
    t.ecrModel = ecrModel(raw.ecrt);
    t.departmentFromLine = isTrue(raw.ddep);
    s.connection = connection;
    if (raw.multiType == QLatin1String("fals"))
        s.fileMode = FileMode::Single;
    else if (raw.multiType == QLatin1String("true"))
        s.fileMode = FileMode::Multi;
    s.file = raw.file;
    s.location = raw.location;
    s.ecrType = raw.ecrt;
    s.autoStart = raw.autoStart;
    s.descriptionsOn = isTrue(raw.descpr);
    s.commentsOn = isTrue(raw.comment);
    s.commentsShown = raw.comment != QLatin1String("fals");
    s.quantityOn = isTrue(raw.qua);
    return s;
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

int TranslationOptions::forcedPayment() const
{
    switch (currency) {
    case Currency::Main: return 1;
    case Currency::Secondary: return 2;
    case Currency::Third: return 3;
    default: return 0;
    }
}

std::optional<Settings> readSettingsFile(SettingsVariant variant, const Connection &previous, const QString &fileName)
{
    const auto text = readTextFile(fileName);
    if (!text)
        return std::nullopt;
    RawSettings raw;
    Connection connection = previous;
    for (const QString &line : splitLines(*text))
        applyLine(line, variant, raw, connection);
    return typed(raw, connection);
}

QString settingsFileProblem(const QString &fileName)
{
    const QString path = QFileInfo(fileName).absoluteFilePath();
    QFile file(fileName);
    if (!file.open(QIODevice::ReadOnly))
        return QStringLiteral("Δεν βρέθηκε ή δεν διαβάζεται το αρχείο ρυθμίσεων ") + path;
    if (file.size() > kMaxSettingsFileBytes) {
        return QStringLiteral("Το αρχείο ρυθμίσεων %1 είναι πολύ μεγάλο (%2 bytes, όριο 1 MB)")
            .arg(path)
            .arg(file.size());
    }
    const QByteArray bytes = file.read(kMaxSettingsFileBytes + 1);
    if (bytes.contains('\0'))
        return QStringLiteral("Το αρχείο ρυθμίσεων %1 δεν είναι αρχείο κειμένου (περιέχει byte NUL)").arg(path);
    return {};
}

QString missingPortProblem(const Settings &settings, const QString &fileName)
{
    if (!settings.connection.text.section(QLatin1Char(':'), 0, 0).trimmed().isEmpty())
        return {};
    return QStringLiteral("Το αρχείο ρυθμίσεων %1 δεν ορίζει θύρα (γραμμή \"[port]\")")
        .arg(QFileInfo(fileName).absoluteFilePath());
}

bool writeSettingsFile(const SettingsDialogValues &v, const QDate &today, const QString &fileName)
{
    QString baud = v.baud;
    // A network address shows no baud box; without an explicit ":port" the
    // default network port is written.
    if (v.port.contains(QLatin1Char('.')) && !v.port.contains(QLatin1Char(':')))
        baud = QStringLiteral("5012");

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
    return saveFileSafely(fileName, cp1253::encode(lines.join(QStringLiteral("\r\n")) + QStringLiteral("\r\n")));
}

CommandLineFields splitCommandLine(const QString &commandLine)
{
    QList<qsizetype> seps;
    for (qsizetype i = 0; i < commandLine.size() && seps.size() < 5; ++i) {
        if (commandLine.at(i) == QLatin1Char(',') || commandLine.at(i) == QLatin1Char(' '))
            seps.append(i);
    }
    // Field k (1..5) lies between separators k-1 and k; a field whose
    // separators are missing is empty. Field 6 is everything after the fifth.
    auto between = [&](int k) -> QString {
        if (k > seps.size())
            return {};
        const qsizetype from = k == 1 ? 0 : seps.at(k - 2) + 1;
        return commandLine.mid(from, seps.at(k - 1) - from);
    };
    CommandLineFields f;
    f.connection = between(1);
    f.baud = between(2);
    f.printFile = between(3);
    f.delay = between(4);
    f.ecrType = between(5);
    if (seps.size() == 5)
        f.options = commandLine.mid(seps.at(4) + 1);
    for (QString *p : {&f.connection, &f.baud, &f.printFile, &f.delay, &f.ecrType, &f.options}) {
        if (p->isEmpty())
            *p = QStringLiteral("e");
    }
    return f;
}

// The options field holds seven digits: item codes (0 none, 1 numeric, 2
// alphanumeric), then descriptions, comments, currency, keyboard lock, direct
// departments and quantities, each "1" for on.
std::optional<Settings> settingsFromCommandLine(const QString &commandLine)
{
    const CommandLineFields f = splitCommandLine(commandLine);
    if (f.options.size() < 7)
        return std::nullopt;
    auto flag = [&](int i) {
        return f.options.at(i) == QLatin1Char('1') ? QStringLiteral("true") : QStringLiteral("fals");
    };
    RawSettings raw;
    raw.file = f.printFile;
    raw.ecrt = f.ecrType;
    switch (f.options.at(0).unicode()) {
    case '0': raw.codepr = QStringLiteral("fals"); break;
    case '1': raw.codepr = QStringLiteral("true N"); break;
    case '2': raw.codepr = QStringLiteral("true A"); break;
    default: break;
    }
    raw.descpr = flag(1);
    raw.comment = flag(2);
    raw.curr = f.options.at(3);
    raw.keyboff = flag(4);
    raw.ddep = flag(5);
    raw.qua = flag(6);
    raw.multiType = QStringLiteral("fals");
    return typed(raw, Connection{f.connection, f.baud});
}

} // namespace dravimo
