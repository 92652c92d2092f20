#include "core/files.h"
#include "settings/settings.h"
#include "core/shared.h"

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
    Settings read(const QByteArray &bytes, SettingsVariant v = SettingsVariant::Startup)
    {
        shared().connectionString.clear();
        baud.clear();
        auto s = ReadSettingsFile(v, baud, write(bytes));
        EXPECT_TRUE(s.has_value());
        return s.value_or(Settings{});
    }
    QTemporaryDir dir;
    QString baud;
};

} // namespace

TEST_F(SettingsFile, ValuesAreFixedColumnSlicesWithTheirShortForms)
{
    const Settings s = read("[multi type] false\r\n[print_desc] true\r\n[print_code] falseN\r\n"
                            "[comments] false\r\n[currency]=2\r\n[keyb_off]=true \r\n[ecrt] mikro\r\n"
                            "[file] print\r\n[location] C:\\POS\\\r\n");
    EXPECT_EQ(s.multiType, QStringLiteral("fals"));
    EXPECT_EQ(s.descpr, QStringLiteral("true"));
    EXPECT_EQ(s.CODEPR, QStringLiteral("falseN"));
    EXPECT_EQ(s.comment, QStringLiteral("fals"));
    EXPECT_EQ(s.curr, QStringLiteral("2"));
    EXPECT_EQ(s.keyboff, QStringLiteral("true"));
    EXPECT_EQ(s.ecrt, QStringLiteral("mikro"));
    EXPECT_EQ(s.location + s.file, QStringLiteral("C:\\POS\\print"));
}

TEST_F(SettingsFile, MissingSpaceShiftsTheSliceAndKeysMustStartInColumnOne)
{
    const Settings s = read("[multi type]true\r\n   [ecrt] mikro\r\n[file] " + QByteArray(40, 'x') + "\r\n");
    EXPECT_EQ(s.multiType, QStringLiteral("rue"));
    EXPECT_TRUE(s.ecrt.isEmpty());
    EXPECT_EQ(s.file.size(), 30);
    EXPECT_TRUE(s.qua.isEmpty()); // absent key: empty text
}

TEST_F(SettingsFile, PortAndBaudBuildTheConnectionTextInFileOrder)
{
    read("[port] 192.168.1.20\r\n[baud] 5012\r\n");
    EXPECT_EQ(shared().connectionString, QStringLiteral("192.168.1.20:5012"));
    EXPECT_EQ(baud, QStringLiteral("5012"));
    read("[baud] 5012\r\n[port] 192.168.1.20\r\n");
    EXPECT_EQ(shared().connectionString, QStringLiteral("192.168.1.20"));
    // The poll variant cuts longer port and baud values.
    read("[port] com1\r\n[baud] 115200\r\n");
    EXPECT_EQ(shared().connectionString, QStringLiteral("com1:11520"));
    read("[port] com1\r\n[baud] 115200\r\n", SettingsVariant::Poll);
    EXPECT_EQ(shared().connectionString, QStringLiteral("com1:115200"));
}

TEST_F(SettingsFile, AutostartIsRecognisedOnlyThroughUpperCasing)
{
    EXPECT_TRUE(read("[autostar]=yes\r\n").autoStar);
    EXPECT_TRUE(read("[AUTOSTAR]=Yes\r\n").autoStar);
    EXPECT_FALSE(read("[AutoStar]=no\r\n").autoStar);
    EXPECT_FALSE(read("# nothing\r\n").autoStar);
    // The poll cycle never reads it.
    EXPECT_FALSE(read("[AUTOSTAR]=YES\r\n", SettingsVariant::Poll).autoStar);
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
    ASSERT_TRUE(WriteSettingsFile(v, path));

    QFile f(path);
    ASSERT_TRUE(f.open(QIODevice::ReadOnly));
    const QByteArray bytes = f.readAll();
    EXPECT_TRUE(bytes.contains("[location] /srv/\xF4\xE1\xEC\xE5\xDF\xEF/\r\n"));
    EXPECT_TRUE(bytes.contains("[keyb_off]=true \r\n"));
    EXPECT_TRUE(bytes.endsWith("# End of parameter file #\r\n"));
    // 36 rows in the layout, of which the three code rows are alternatives:
    // both code options ticked write two of them, so 35 lines.
    EXPECT_EQ(bytes.count("\r\n"), 35);
    EXPECT_FALSE(bytes.contains("\n\n"));

    shared().connectionString.clear();
    QString b;
    const auto s = ReadSettingsFile(SettingsVariant::Startup, b, path);
    ASSERT_TRUE(s);
    EXPECT_EQ(shared().connectionString, QStringLiteral("com1:9600"));
    EXPECT_EQ(s->ecrt, QStringLiteral("mikro"));
    EXPECT_EQ(s->multiType, QStringLiteral("true"));
    EXPECT_EQ(s->CODEPR, QStringLiteral("true N"));
    EXPECT_EQ(s->curr, QStringLiteral("1"));
    EXPECT_EQ(s->keyboff, QStringLiteral("true"));
    EXPECT_EQ(s->location, QStringLiteral("/srv/ταμείο/"));
    EXPECT_TRUE(s->autoStar);
}

TEST_F(SettingsFile, NetworkAddressWithoutPortWritesTheDefaultPortAndUnknownTypeNoLine)
{
    SettingsDialogValues v;
    v.port = QStringLiteral("192.168.1.20");
    v.baud = QStringLiteral("9600");
    v.machineType = QStringLiteral("TECFP"); // only the long list text maps to TECFP
    const QString path = dir.filePath(QStringLiteral("param.ini"));
    ASSERT_TRUE(WriteSettingsFile(v, path));
    const QString text = ReadTextFile(path).value();
    EXPECT_TRUE(text.contains(QStringLiteral("[baud] 5012\r\n")));
    EXPECT_FALSE(text.contains(QStringLiteral("[ecrt]")));
    EXPECT_TRUE(text.contains(QStringLiteral("[print_code] falseN\r\n")));
}

TEST(SettingsMissing, UnreadableFileGivesNothing)
{
    QString b;
    EXPECT_FALSE(ReadSettingsFile(SettingsVariant::Startup, b, QStringLiteral("/nonexistent/param.ini")));
}

TEST(CommandLine, SplitsAtCommasAndSpacesIntoSixFields)
{
    const auto f = readcoman(QStringLiteral("com1:9600,9600 c:\\print.1,0,mikro,1111111 x,y"));
    EXPECT_EQ(f.param1, QStringLiteral("com1:9600"));
    EXPECT_EQ(f.param3, QStringLiteral("c:\\print.1"));
    EXPECT_EQ(f.param5, QStringLiteral("mikro"));
    EXPECT_EQ(f.param6, QStringLiteral("1111111 x,y")); // later separators stay in field 6
    const auto g = readcoman(QStringLiteral("a,,b"));
    EXPECT_EQ(g.param2, QStringLiteral("e"));
    EXPECT_EQ(g.param6, QStringLiteral("e"));
}

TEST(CommandLine, MapsTheSixthFieldAndRejectsShortOnes)
{
    const auto s = SettingsFromCommandLine(QStringLiteral("com2:19200,19200,print.1,0,pos21,2012101"));
    ASSERT_TRUE(s);
    EXPECT_EQ(s->connectionString, QStringLiteral("com2:19200"));
    EXPECT_EQ(s->Baud, QStringLiteral("19200"));
    EXPECT_EQ(s->settings.file, QStringLiteral("print.1"));
    EXPECT_EQ(s->settings.ecrt, QStringLiteral("pos21"));
    EXPECT_EQ(s->settings.CODEPR, QStringLiteral("true A"));
    EXPECT_EQ(s->settings.descpr, QStringLiteral("fals"));
    EXPECT_EQ(s->settings.comment, QStringLiteral("true"));
    EXPECT_EQ(s->settings.curr, QStringLiteral("2"));
    EXPECT_EQ(s->settings.keyboff, QStringLiteral("true"));
    EXPECT_EQ(s->settings.ddep, QStringLiteral("fals"));
    EXPECT_EQ(s->settings.qua, QStringLiteral("true"));
    EXPECT_EQ(s->settings.multiType, QStringLiteral("fals"));
    EXPECT_EQ(s->settings.code, QStringLiteral("true"));
    EXPECT_TRUE(s->settings.location.isEmpty());

    const auto other = SettingsFromCommandLine(QStringLiteral("com1:9600,9600,p,0,mikro,9000000"));
    ASSERT_TRUE(other);
    EXPECT_TRUE(other->settings.CODEPR.isEmpty());

    EXPECT_FALSE(SettingsFromCommandLine(QStringLiteral("com1:9600,9600,p,0,mikro,11")));
    EXPECT_FALSE(SettingsFromCommandLine(QStringLiteral("com1:9600,9600,p,0")));
}
