#pragma once
// param.ini and the one-shot command line.
//
// Every setting is kept as the exact text slice cut from its fixed column, so
// the short forms are part of the format ("fals", "true A", "true N",
// "falseN"); consumers compare slices, nothing is parsed here.

#include <QString>

#include <optional>

namespace dravimo {

inline const QString kSettingsFile = QStringLiteral("param.ini");

struct Settings
{
    QString port;
    QString file;
    QString code;
    QString ecrt;
    QString multiType;
    QString DLAY;
    QString descpr;
    QString CODEPR;
    QString comment;
    QString curr;
    QString convert2;
    QString keyboff;
    QString ddep;
    QString qua;
    QString location;
    QString Defacto;
    bool autoStar = false;
};

enum class SettingsVariant { Startup, Poll, Dialog };

// Reads the file line by line. "[port]" replaces the shared connection text,
// "[baud]" appends ":" + value to it and stores the value in Baud (a variable
// of the main window that keeps its last value when the file has no "[baud]"
// line). Nothing when the file cannot be opened.
std::optional<Settings> ReadSettingsFile(SettingsVariant variant, QString &Baud,
                                         const QString &fileName = kSettingsFile);

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

// Replaces the whole file with the 36-line layout. False when it cannot be
// written.
bool WriteSettingsFile(const SettingsDialogValues &values, const QString &fileName = kSettingsFile);

struct CommandLineFields
{
    QString param1, param2, param3, param4, param5, param6;
};

// Splits a command line at "," and " " into six fields; empty fields read "e".
CommandLineFields readcoman(const QString &COMMan);

// The settings of a one-shot run, and the connection text it names. Nothing
// when the command line is rejected (sixth field shorter than 7 characters).
struct CommandLineSettings
{
    Settings settings;
    QString connectionString;
    QString Baud;
};
std::optional<CommandLineSettings> SettingsFromCommandLine(const QString &commandLine);

} // namespace dravimo
