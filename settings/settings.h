#pragma once
// param.ini and the one-shot command line, read once into typed settings.
//
// param.ini holds one key per line with its value in a fixed column. The
// values are short forms ("true", "fals", "true N", "falseN") and the parts of
// the program never agreed on one truth test: the translator prints
// descriptions unless the value is "fals", while the window and the settings
// dialog show them on only for "true"; comment lines are read for "true" or
// "TRUE", the window says "Nαι" for anything but "fals". Those uneven tests
// are decided here, once, and each consumer reads the field that is its own.

#include <QDate>
#include <QString>

#include <optional>

namespace dravimo {

inline const QString kSettingsFile = QStringLiteral("param.ini");

// [multi type]: one print file with a fixed name, numbered files or a name
// pattern, or (any other value) no print file at all.
enum class FileMode { Single, Multi, Off };
// [print_code]: item codes not printed, printed after the sale (numeric), or
// before it (alphanumeric). Unrecognised: none printed, and the settings
// dialog leaves its boxes as they are.
enum class ItemCodes { None, Numeric, Alphanumeric, Unrecognised };
// [ecrt]: the register model; only two shape the commands.
enum class EcrModel { Mikro, Pos21, Other };
// [currency]: 0 each payment as the file says; 1, 2 or 3 every payment as that
// payment number, 2 (the secondary currency) also paying the whole total on the
// first payment line.
enum class Currency { AsInFile, Main, Secondary, Third, Unrecognised };

// What shapes the translation of a print file.
struct TranslationOptions
{
    bool printDescriptions = true;      // [print_desc] anything but "fals"
    bool quantityInDescription = false; // [quantity] and [print_desc] both "true"
    ItemCodes itemCodes = ItemCodes::None;
    bool commentLines = false; // [comments] "true" or "TRUE"
    Currency currency = Currency::AsInFile;
    bool keyboardLocked = false; // [keyb_off] "true"
    EcrModel ecrModel = EcrModel::Other;
    bool departmentFromLine = false; // [dir_depa] "true"

    // The payment number every payment line is forced to; 0 for none.
    int forcedPayment() const;
};

// Where the register is: the connection text the link opens ("com1:9600",
// "192.168.1.20:5012") and the baud rate or network port on its own.
struct Connection
{
    QString text;
    QString baud;
};

struct Settings
{
    TranslationOptions translation;
    Connection connection;
    FileMode fileMode = FileMode::Off;
    QString file;           // [file]: a name, or a pattern holding "*"
    QString location;       // [location]: the print folder as written, ending in its separator
    QString ecrType;        // [ecrt] as written: the window shows it
    bool autoStart = false; // [AutoStar]=yes: printing starts once the register answers

    // The strict forms the window and the settings dialog show.
    bool descriptionsOn = false; // [print_desc] exactly "true"
    bool commentsOn = false;     // [comments] exactly "true"
    bool commentsShown = true;   // [comments] anything but "fals"
    bool quantityOn = false;     // [quantity] exactly "true"
};

// The three readings of param.ini: at start-up, on every poll tick (a longer
// port and baud text), and by the settings dialog.
enum class SettingsVariant { Startup, Poll, Dialog };

// Reads the file line by line. "[port]" replaces the connection text,
// "[baud]" appends ":" + value to it as it stands then (a "[baud]" line before
// the "[port]" line is lost). A file without them keeps the connection it is
// given. Nothing when the file cannot be read.
std::optional<Settings> readSettingsFile(SettingsVariant variant, const Connection &previous,
                                         const QString &fileName = kSettingsFile);

// What makes param.ini unusable as a whole, said for the operator with the
// file's full path; empty when it can be read. A file that cannot be opened,
// one larger than kMaxSettingsFileBytes (no settings file is; reading one of
// hundreds of megabytes on every poll tick would starve the machine), and one
// holding a NUL byte (not a text file: a binary file saved under the name):
// each would otherwise read as a register that never answers.
inline constexpr qint64 kMaxSettingsFileBytes = 1024 * 1024;
QString settingsFileProblem(const QString &fileName = kSettingsFile);

// Settings read at start-up from a file with no "[port]" line that names a
// port (an empty file, or not a settings file at all) have no register to
// look for: the problem in words, or empty. Later reads keep the port they
// had, so only the first needs it.
QString missingPortProblem(const Settings &settings, const QString &fileName = kSettingsFile);

// What the settings dialog hands to the writer.
struct SettingsDialogValues
{
    QString port;
    QString baud;
    QString file;
    QString machineType; // the text of the machine-type box
    bool multi = false;
    bool description = false;
    bool codeAscii = false;
    bool codeNumeric = false;
    bool comments = false;
    int currency = 0; // 0, 1 or 2
    bool keyboardLocked = false;
    bool directDepartment = false;
    bool quantity = false;
    bool autoStart = false;
    QString location;
};

// Replaces the whole file with the 36-line layout, dated `today`. False when
// it cannot be written.
bool writeSettingsFile(const SettingsDialogValues &values, const QDate &today, const QString &fileName = kSettingsFile);

// The six fields of a one-shot command line, split at "," and " "; empty
// fields read "e".
struct CommandLineFields
{
    QString connection, baud, printFile, delay, ecrType, options;
};
CommandLineFields splitCommandLine(const QString &commandLine);

// The settings of a one-shot run: one print file, its path in `file`. Nothing
// when the command line is rejected (sixth field shorter than 7 characters).
std::optional<Settings> settingsFromCommandLine(const QString &commandLine);

} // namespace dravimo
