// The JSON receipt of the HTTP interface, turned into a print file.
//
// Input: the request body's bytes.
//
// Properties: a receipt is either refused (with a code and a reason) or turned
// into a print file, never both and never neither; an accepted one holds one
// CR LF ended line per entry of "lines" (and one for its tag), no CR or LF
// anywhere else, so a field can never smuggle in a line of its own; every
// line but the tag's starts with a print-file line code.
#include "fuzzsupport.h"

#include "api/jsonreceipt.h"

#include <QCoreApplication>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>

extern "C" int LLVMFuzzerInitialize(int *argc, char ***argv)
{
    static QCoreApplication app(*argc, *argv);
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    using namespace dravimo;
    using fuzz::require;
    const QByteArray bytes(reinterpret_cast<const char *>(data), static_cast<qsizetype>(size));
    const JsonReceipt r = printFileFromJson(bytes);
    const QString detail = QString::fromUtf8(bytes.left(300));
    require(r.printFile.isEmpty() != r.error.isEmpty(), "refused or accepted, one of the two", detail);
    require(r.error.isEmpty() == r.code.isEmpty(), "a refusal has its code", detail);
    if (r.printFile.isEmpty())
        return 0;
    const QJsonObject receipt = QJsonDocument::fromJson(bytes).object();
    const qsizetype expected =
        receipt.value(QLatin1String("lines")).toArray().size() + (receipt.contains(QLatin1String("tag")) ? 1 : 0);
    require(r.printFile.endsWith(QLatin1String("\r\n")), "the last line ends with CR LF", detail);
    const QStringList lines = r.printFile.chopped(2).split(QStringLiteral("\r\n"));
    require(lines.size() == expected, "one line per entry", detail);
    static const QStringList codes = {QStringLiteral(" PLU"), QStringLiteral(" dis"), QStringLiteral(" sut"),
                                      QStringLiteral(" mod"), QStringLiteral(" com"), QStringLiteral(" frt"),
                                      QStringLiteral(" can"), QStringLiteral(" voi"), QStringLiteral(" tot"),
                                      QStringLiteral(" pay"), QStringLiteral(" TBO"), QStringLiteral(" TBC"),
                                      QStringLiteral(" TBT"), QStringLiteral(" TPT"), QStringLiteral(" TBS"),
                                      QStringLiteral(" ltb"), QStringLiteral(" foo")};
    for (qsizetype i = 0; i < lines.size(); ++i) {
        const QString &line = lines[i];
        require(!line.contains(QLatin1Char('\r')) && !line.contains(QLatin1Char('\n')), "no stray CR or LF", detail);
        if (i == 0 && receipt.contains(QLatin1String("tag"))) {
            require(line.startsWith(QLatin1String(" tag:  ")), "the tag first", detail);
            continue;
        }
        require(codes.contains(line.left(4)), "every line starts with a line code", detail);
        // A field that reached into the line code's columns would change the kind.
        require(line.size() == 4 || line.at(4) == QLatin1Char(' '), "the code stands alone", detail);
    }
    return 0;
}
