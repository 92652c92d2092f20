// param.ini and the one-shot command line read into typed settings: the fixed
// columns, the short forms and the uneven truth tests of each consumer.
#include "core/files.h"
#include "settings/settings.h"

#include <QFile>
#include <QTemporaryDir>

#include <gtest/gtest.h>

using namespace dravimo;

namespace {

class SettingsFile : public ::testing::Test
{
protected:
    QString write(const QByteArray &bytes)
    {
        const QString path = dir.filePath(QStringLiteral("param.ini"));
        QFile f(path);
        f.open(QIODevice::WriteOnly | QIODevice::Truncate);
        f.write(bytes);
        return path;
    }
    Settings read(const QByteArray &bytes, SettingsVariant v = SettingsVariant::Startup,
                  const Connection &previous = {})
    {
        auto s = readSettingsFile(v, previous, write(bytes));
        EXPECT_TRUE(s.has_value());
        return s.value_or(Settings{});
    }
    QTemporaryDir dir;
};

} // namespace

TEST_F(SettingsFile, ValuesAreFixedColumnSlices)
{
    const Settings s = read("[multi type] false\r\n[print_desc] true\r\n[print_code] falseN\r\n"
                            "[comments] false\r\n[currency]=2\r\n[keyb_off]=true \r\n[ecrt] mikro\r\n"
                            "[file] print\r\n[location] C:\\POS\\\r\n[dir_depa]=true\r\n");
    EXPECT_EQ(s.fileMode, FileMode::Single);
    EXPECT_TRUE(s.translation.printDescriptions);
    EXPECT_EQ(s.translation.itemCodes, ItemCodes::None);
    EXPECT_FALSE(s.translation.commentLines);
    EXPECT_EQ(s.translation.currency, Currency::Secondary);
    EXPECT_EQ(s.translation.forcedPayment(), 2);
    EXPECT_TRUE(s.translation.keyboardLocked);
    EXPECT_TRUE(s.translation.departmentFromLine);
    EXPECT_EQ(s.translation.ecrModel, EcrModel::Mikro);
    EXPECT_EQ(s.location + s.file, QStringLiteral("C:\\POS\\print"));

    // A missing space shifts the slice ("rue" is no known mode), keys must
    // start in column one, and [file] keeps at most 30 characters.
    const Settings t = read("[multi type]true\r\n   [ecrt] mikro\r\n[file] " + QByteArray(40, 'x') + "\r\n");
    EXPECT_EQ(t.fileMode, FileMode::Off);
    EXPECT_TRUE(t.ecrType.isEmpty());
    EXPECT_EQ(t.file.size(), 30);
}

// Each consumer has always judged the short forms its own way; the table is
// the whole of it.
TEST_F(SettingsFile, EachConsumerReadsTheShortFormsItsOwnWay)
{
    struct Row
    {
        QByteArray desc, comments, quantity;
        bool print, descOn, quantityInDesc, commentLines, commentsOn, commentsShown;
    };
    const Row rows[] = {
        {"true", "true", "true", true, true, true, true, true, true},
        {"fals", "fals", "true", false, false, false, false, false, false},
        {"TRUE", "TRUE", "true", true, false, false, true, false, true},
        {"yes ", "yes ", "yes ", true, false, false, false, false, true},
        {"true", "", "fals", true, true, false, false, false, true},
    };
    for (const Row &r : rows) {
        const Settings s =
            read("[print_desc] " + r.desc + "\r\n[comments] " + r.comments + "\r\n[quantity]=" + r.quantity + "\r\n");
        const auto where = (r.desc + "/" + r.comments + "/" + r.quantity).toStdString();
        EXPECT_EQ(s.translation.printDescriptions, r.print) << where;
        EXPECT_EQ(s.descriptionsOn, r.descOn) << where;
        EXPECT_EQ(s.translation.quantityInDescription, r.quantityInDesc) << where;
        EXPECT_EQ(s.translation.commentLines, r.commentLines) << where;
        EXPECT_EQ(s.commentsOn, r.commentsOn) << where;
        EXPECT_EQ(s.commentsShown, r.commentsShown) << where;
    }
    EXPECT_EQ(read("[print_code] true N\r\n").translation.itemCodes, ItemCodes::Numeric);
    EXPECT_EQ(read("[print_code] true A\r\n").translation.itemCodes, ItemCodes::Alphanumeric);
    EXPECT_EQ(read("[print_code] yes\r\n").translation.itemCodes, ItemCodes::Unrecognised);
    EXPECT_EQ(read("[currency]=3\r\n").translation.forcedPayment(), 3);
    EXPECT_EQ(read("[currency]=0\r\n").translation.forcedPayment(), 0);
    EXPECT_EQ(read("[currency]=7\r\n").translation.currency, Currency::Unrecognised);
}

TEST_F(SettingsFile, PortAndBaudBuildTheConnectionTextInFileOrder)
{
    EXPECT_EQ(read("[port] 192.168.1.20\r\n[baud] 5012\r\n").connection.text, QStringLiteral("192.168.1.20:5012"));
    EXPECT_EQ(read("[port] 192.168.1.20\r\n[baud] 5012\r\n").connection.baud, QStringLiteral("5012"));
    EXPECT_EQ(read("[baud] 5012\r\n[port] 192.168.1.20\r\n").connection.text, QStringLiteral("192.168.1.20"));
    // The poll variant cuts longer port and baud values.
    EXPECT_EQ(read("[port] com1\r\n[baud] 115200\r\n").connection.text, QStringLiteral("com1:11520"));
    EXPECT_EQ(read("[port] com1\r\n[baud] 115200\r\n", SettingsVariant::Poll).connection.text,
              QStringLiteral("com1:115200"));
    // A file without them keeps what it is given; "[baud]" alone appends.
    const Connection previous{QStringLiteral("com2:9600"), QStringLiteral("9600")};
    EXPECT_EQ(read("# none\r\n", SettingsVariant::Poll, previous).connection.text, previous.text);
    EXPECT_EQ(read("[baud] 4800\r\n", SettingsVariant::Poll, previous).connection.text,
              QStringLiteral("com2:9600:4800"));
}

TEST_F(SettingsFile, AutostartIsRecognisedOnlyThroughUpperCasing)
{
    EXPECT_TRUE(read("[autostar]=yes\r\n").autoStart);
    EXPECT_TRUE(read("[AUTOSTAR]=Yes\r\n").autoStart);
    EXPECT_FALSE(read("[AutoStar]=no\r\n").autoStart);
    EXPECT_FALSE(read("# nothing\r\n").autoStart);
    // The poll tick never reads it.
    EXPECT_FALSE(read("[AUTOSTAR]=YES\r\n", SettingsVariant::Poll).autoStart);
}

TEST_F(SettingsFile, WrittenFileReadsBackAndIsWindows1253WithCrLf)
{
    SettingsDialogValues v;
    v.port = QStringLiteral("COM1");
    v.baud = QStringLiteral("9600");
    v.file = QStringLiteral("print");
    v.machineType = QStringLiteral("MikroPos");
    v.multi = true;
    v.description = true;
    v.codeAscii = true;
    v.codeNumeric = true; // both ticked: both lines, readers keep "true N"
    v.currency = 1;
    v.keyboardLocked = true;
    v.autoStart = true;
    v.location = QStringLiteral("/srv/ταμείο/");
    const QString path = dir.filePath(QStringLiteral("param.ini"));
    ASSERT_TRUE(writeSettingsFile(v, QDate(2026, 12, 7), path));

    QFile f(path);
    ASSERT_TRUE(f.open(QIODevice::ReadOnly));
    const QByteArray bytes = f.readAll();
    EXPECT_TRUE(bytes.contains("Created by  Dravimo on 12-07-2026\r\n"));
    EXPECT_TRUE(bytes.contains("[location] /srv/\xF4\xE1\xEC\xE5\xDF\xEF/\r\n"));
    EXPECT_TRUE(bytes.contains("[keyb_off]=true \r\n"));
    EXPECT_TRUE(bytes.endsWith("# End of parameter file #\r\n"));
    // 36 rows in the layout, of which the three code rows are alternatives:
    // both code options ticked write two of them, so 35 lines.
    EXPECT_EQ(bytes.count("\r\n"), 35);
    EXPECT_FALSE(bytes.contains("\n\n"));

    const auto s = readSettingsFile(SettingsVariant::Startup, {}, path);
    ASSERT_TRUE(s);
    EXPECT_EQ(s->connection.text, QStringLiteral("com1:9600"));
    EXPECT_EQ(s->translation.ecrModel, EcrModel::Mikro);
    EXPECT_EQ(s->fileMode, FileMode::Multi);
    EXPECT_EQ(s->translation.itemCodes, ItemCodes::Numeric);
    EXPECT_EQ(s->translation.currency, Currency::Main);
    EXPECT_TRUE(s->translation.keyboardLocked);
    EXPECT_EQ(s->location, QStringLiteral("/srv/ταμείο/"));
    EXPECT_TRUE(s->autoStart);
}

TEST_F(SettingsFile, NetworkAddressWithoutPortWritesTheDefaultPortAndUnknownTypeNoLine)
{
    SettingsDialogValues v;
    v.port = QStringLiteral("192.168.1.20");
    v.baud = QStringLiteral("9600");
    v.machineType = QStringLiteral("TECFP"); // only the long list text maps to TECFP
    const QString path = dir.filePath(QStringLiteral("param.ini"));
    ASSERT_TRUE(writeSettingsFile(v, QDate(2026, 12, 7), path));
    const QString text = readTextFile(path).value();
    EXPECT_TRUE(text.contains(QStringLiteral("[baud] 5012\r\n")));
    EXPECT_FALSE(text.contains(QStringLiteral("[ecrt]")));
    EXPECT_TRUE(text.contains(QStringLiteral("[print_code] falseN\r\n")));
}

TEST(SettingsMissing, UnreadableFileGivesNothing)
{
    EXPECT_FALSE(readSettingsFile(SettingsVariant::Startup, {}, QStringLiteral("/nonexistent/param.ini")));
}

TEST(CommandLine, SplitsAtCommasAndSpacesIntoSixFields)
{
    const auto f = splitCommandLine(QStringLiteral("com1:9600,9600 c:\\print.1,0,mikro,1111111 x,y"));
    EXPECT_EQ(f.connection, QStringLiteral("com1:9600"));
    EXPECT_EQ(f.printFile, QStringLiteral("c:\\print.1"));
    EXPECT_EQ(f.ecrType, QStringLiteral("mikro"));
    EXPECT_EQ(f.options, QStringLiteral("1111111 x,y")); // later separators stay in field 6
    const auto g = splitCommandLine(QStringLiteral("a,,b"));
    EXPECT_EQ(g.baud, QStringLiteral("e"));
    EXPECT_EQ(g.options, QStringLiteral("e"));
}

TEST(CommandLine, MapsTheSixthFieldAndRejectsShortOnes)
{
    const auto s = settingsFromCommandLine(QStringLiteral("com2:19200,19200,print.1,0,pos21,2012101"));
    ASSERT_TRUE(s);
    EXPECT_EQ(s->connection.text, QStringLiteral("com2:19200"));
    EXPECT_EQ(s->connection.baud, QStringLiteral("19200"));
    EXPECT_EQ(s->file, QStringLiteral("print.1"));
    EXPECT_EQ(s->ecrType, QStringLiteral("pos21"));
    const TranslationOptions &t = s->translation;
    EXPECT_EQ(t.itemCodes, ItemCodes::Alphanumeric);
    EXPECT_FALSE(t.printDescriptions);
    EXPECT_TRUE(t.commentLines);
    EXPECT_EQ(t.currency, Currency::Secondary);
    EXPECT_TRUE(t.keyboardLocked);
    EXPECT_FALSE(t.departmentFromLine);
    EXPECT_FALSE(t.quantityInDescription); // descriptions off
    EXPECT_TRUE(s->quantityOn);
    EXPECT_EQ(s->fileMode, FileMode::Single);
    EXPECT_TRUE(s->location.isEmpty());

    const auto other = settingsFromCommandLine(QStringLiteral("com1:9600,9600,p,0,mikro,9000000"));
    ASSERT_TRUE(other);
    EXPECT_EQ(other->translation.itemCodes, ItemCodes::Unrecognised);

    EXPECT_FALSE(settingsFromCommandLine(QStringLiteral("com1:9600,9600,p,0,mikro,11")));
    EXPECT_FALSE(settingsFromCommandLine(QStringLiteral("com1:9600,9600,p,0")));
}
