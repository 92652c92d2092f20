// param.ini in its three readings, and the one-shot command line.
//
// Input: the first byte picks the reading (0..2, a param.ini) or the command
// line (3); the rest is the file's or the line's bytes (Windows-1253).
//
// Properties: a readable param.ini always gives settings; the command line
// splits into six fields, none empty, and is refused exactly when its sixth
// field is shorter than seven characters; an accepted one names its print
// file.
#include "fuzzsupport.h"

#include "greek/cp1253.h"
#include "settings/settings.h"

#include <QCoreApplication>
#include <QFile>

extern "C" int LLVMFuzzerInitialize(int *argc, char ***argv)
{
    static QCoreApplication app(*argc, *argv);
    dravimo::fuzz::enterScratchFolder();
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    using namespace dravimo;
    using fuzz::require;
    fuzz::Bytes in(data, size);
    const int pick = in.next() % 4;
    const QByteArray bytes = in.rest();
    if (pick == 3) {
        const QString line = cp1253::decode(bytes);
        const CommandLineFields f = splitCommandLine(line);
        for (const QString *field : {&f.connection, &f.baud, &f.printFile, &f.delay, &f.ecrType, &f.options})
            require(!field->isEmpty(), "command-line fields are never empty", line);
        const auto s = settingsFromCommandLine(line);
        require(s.has_value() == (f.options.size() >= 7), "refused exactly for a short sixth field", line);
        if (s)
            require(s->file == f.printFile && s->fileMode != FileMode::Multi, "a one-shot run names one print file",
                    line);
        return 0;
    }
    QFile f(kSettingsFile);
    if (!f.open(QIODevice::WriteOnly | QIODevice::Truncate) || f.write(bytes) != bytes.size())
        return 0;
    f.close();
    const auto variant = static_cast<SettingsVariant>(pick);
    const auto s = readSettingsFile(variant, Connection{QStringLiteral("com1:9600"), QStringLiteral("9600")});
    require(s.has_value(), "a readable param.ini gives settings");
    return 0;
}
