// The settings dialog on the offscreen platform: load, restore, confirm (both
// files written), the "." rule of the port box, the code-option exclusivity
// and the VAT-rate failures.

#include "controller_fixture.h"
#include "testclock.h"

#include "gui/settingsdialog.h"
#include "settings/vats.h"

#include <QCheckBox>
#include <QComboBox>
#include <QLineEdit>
#include <QRadioButton>
#include <QSignalSpy>

using namespace dravimo;
using namespace dravimo::test;

namespace {

class SettingsDialogTest : public ::testing::Test
{
protected:
    void SetUp() override
    {
        writeParamIni(
            {QStringLiteral("[port] com2"), QStringLiteral("[baud] 19200"), QStringLiteral("[file] PRINT"),
             QStringLiteral("[ecrt] pos21"), QStringLiteral("[multi type] true"), QStringLiteral("[print_desc] true"),
             QStringLiteral("[print_code] true A"), QStringLiteral("[comments] false"), QStringLiteral("[currency]=2"),
             QStringLiteral("[keyb_off]=true "), QStringLiteral("[dir_depa]=false"), QStringLiteral("[quantity]=true"),
             QStringLiteral("[AutoStar]=yes"), QStringLiteral("[location] /pos/")});
        ASSERT_TRUE(saveVatRates({6, 13, 24, 0, 0}));
    }

    template <typename T>
    T *child(const char *name)
    {
        T *w = dialog.findChild<T *>(QLatin1String(name));
        EXPECT_NE(w, nullptr) << name;
        return w;
    }
    QLineEdit *box(const char *name) { return child<QLineEdit>(name); }
    QCheckBox *check(const char *name) { return child<QCheckBox>(name); }
    QLineEdit *rate(int i) { return dialog.findChild<QLineEdit *>(QStringLiteral("txtVatRate%1").arg(i)); }
    QStringList paramLines()
    {
        return QString::fromLatin1(readFile(QStringLiteral("param.ini"))).split(QStringLiteral("\r\n"));
    }

    SettingsDialogTest() { view.strictBoxes = true; }

    ScratchFolder folder;
    RecordingWindow view;
    TestClock clock;
    SettingsDialog dialog{view, clock, [] { return Connection{}; }};
};

TEST_F(SettingsDialogTest, LoadShowsTheFileAndTheRates)
{
    QSignalSpy loaded(&dialog, &SettingsDialog::loaded);
    dialog.open();
    EXPECT_EQ(loaded.count(), 1);
    EXPECT_EQ(dialog.windowTitle(), QStringLiteral("Παράμετροι Dravimo"));
    EXPECT_EQ(box("comtxt")->text(), QStringLiteral("com2"));
    EXPECT_EQ(box("baudtxt")->text(), QStringLiteral("19200"));
    EXPECT_FALSE(box("baudtxt")->isHidden());
    EXPECT_EQ(box("filetxt")->text(), QStringLiteral("PRINT"));
    EXPECT_EQ(child<QComboBox>("typetxt")->currentText(), QStringLiteral("Pos21"));
    EXPECT_EQ(box("location")->text(), QStringLiteral("/pos/"));
    const std::pair<const char *, bool> checks[] = {
        {"multi_print", true}, {"descreption", true}, {"print_code_ascii", true}, {"print_code_numeric", false},
        {"comments", false},   {"keyb_locked", true}, {"dirdep", false},          {"quantity", true},
        {"ChkAuto", true},
    };
    for (const auto &[name, ticked] : checks)
        EXPECT_EQ(check(name)->isChecked(), ticked) << name;
    EXPECT_TRUE(child<QRadioButton>("total_2")->isChecked());
    const QString rates[] = {QStringLiteral("6"), QStringLiteral("13"), QStringLiteral("24"), QStringLiteral("0"),
                             QStringLiteral("0")};
    for (int i = 0; i < 5; ++i)
        EXPECT_EQ(rate(i)->text(), rates[i]);
}

TEST_F(SettingsDialogTest, ConfirmWritesBothFilesAndEndsTheProgram)
{
    dialog.open();
    QSignalSpy confirmed(&dialog, &SettingsDialog::confirmed);
    QSignalSpy unloaded(&dialog, &SettingsDialog::unloaded);
    rate(1)->setText(QStringLiteral("13.50"));
    view.expectedBoxes = 1;
    dialog.confirm();
    ASSERT_EQ(view.boxes.size(), 1);
    EXPECT_EQ(view.boxes[0].text,
              QStringLiteral("Πρεπει να επανεκκινησετε το Dravimo για ενεργοποιηση των μεταβολων "));
    EXPECT_EQ(view.boxes[0].title, QStringLiteral("Dravimo-Προσοχη"));
    EXPECT_EQ(view.boxes[0].code, mb::Critical + mb::SystemModal);
    EXPECT_EQ(confirmed.count(), 1);
    EXPECT_EQ(unloaded.count(), 1);
    EXPECT_FALSE(dialog.isVisible());
    EXPECT_EQ(rate(1)->text(), QStringLiteral("13,50"));
    EXPECT_DOUBLE_EQ(vatRate(1), 13.5);
    EXPECT_DOUBLE_EQ(vatRate(2), 24.0);

    const QStringList lines = paramLines();
    // One machine-type line and one code line of their alternatives: 34
    // lines, each ended by CR LF.
    ASSERT_EQ(lines.size(), 35);
    EXPECT_EQ(lines.last(), QString());
    const std::pair<int, QString> expected[] = {
        {3, QStringLiteral("[port] com2")},          {6, QStringLiteral("[baud] 19200")},
        {12, QStringLiteral("[file] PRINT")},        {17, QStringLiteral("[ecrt] pos21")},
        {18, QStringLiteral("[multi type] true")},   {21, QStringLiteral("[print_desc] true")},
        {22, QStringLiteral("[print_code] true A")}, {23, QStringLiteral("[comments] false")},
        {24, QStringLiteral("[currency]=2")},        {25, QStringLiteral("[keyb_off]=true ")},
        {26, QStringLiteral("[dir_depa]=false")},    {27, QStringLiteral("[quantity]=true")},
        {28, QStringLiteral("[AutoStar]=yes")},      {32, QStringLiteral("[location] /pos/")},
    };
    for (const auto &[index, line] : expected)
        EXPECT_EQ(lines.value(index), line) << index;
}

TEST_F(SettingsDialogTest, NetworkAddressHidesTheBaudBoxAndWritesTheDefaultPort)
{
    dialog.open();
    QLineEdit *baud = box("baudtxt");
    box("comtxt")->setText(QStringLiteral("192.168.1.20"));
    EXPECT_TRUE(baud->isHidden());
    view.expectedBoxes = 1;
    dialog.confirm();
    EXPECT_EQ(baud->text(), QStringLiteral("5012"));
    EXPECT_EQ(paramLines().value(3), QStringLiteral("[port] 192.168.1.20"));
    EXPECT_EQ(paramLines().value(6), QStringLiteral("[baud] 5012"));

    box("comtxt")->setText(QStringLiteral("com1"));
    EXPECT_FALSE(baud->isHidden());
}

TEST_F(SettingsDialogTest, NetworkAddressWithItsOwnPortKeepsTheShownBaud)
{
    dialog.open();
    box("comtxt")->setText(QStringLiteral("192.168.1.20:6000"));
    EXPECT_TRUE(box("baudtxt")->isHidden());
    view.expectedBoxes = 1;
    dialog.confirm();
    EXPECT_EQ(box("baudtxt")->text(), QStringLiteral("19200"));
    EXPECT_EQ(paramLines().value(6), QStringLiteral("[baud] 19200"));
}

TEST_F(SettingsDialogTest, CodeOptionsExcludeEachOther)
{
    dialog.open();
    QCheckBox *ascii = check("print_code_ascii");
    QCheckBox *numeric = check("print_code_numeric");
    ASSERT_TRUE(ascii->isChecked());
    numeric->click();
    EXPECT_TRUE(numeric->isChecked());
    EXPECT_FALSE(ascii->isChecked());
    ascii->click();
    EXPECT_TRUE(ascii->isChecked());
    EXPECT_FALSE(numeric->isChecked());
}

TEST_F(SettingsDialogTest, RateThatIsNotANumberStopsTheConfirm)
{
    dialog.open();
    const QByteArray vatsBefore = readFile(QStringLiteral("vats.dat"));
    QSignalSpy confirmed(&dialog, &SettingsDialog::confirmed);
    rate(0)->setText(QStringLiteral("6.5"));
    rate(2)->setText(QStringLiteral("abc"));
    box("filetxt")->setText(QStringLiteral("NEW"));
    view.expectedBoxes = 1;
    dialog.confirm();
    ASSERT_EQ(view.boxes.size(), 1);
    EXPECT_EQ(view.boxes[0].text, QStringLiteral("Λάθος στίς κατηγορίες ΦΠΑ!") + QString(14, QLatin1Char(' ')));
    EXPECT_EQ(view.boxes[0].code, mb::Exclamation + mb::SystemModal);
    EXPECT_EQ(confirmed.count(), 0);
    EXPECT_TRUE(dialog.isVisible());
    EXPECT_EQ(readFile(QStringLiteral("vats.dat")), vatsBefore);
    EXPECT_EQ(rate(0)->text(), QStringLiteral("6,5"));
    EXPECT_EQ(paramLines().value(12), QStringLiteral("[file] NEW")) << "param.ini is written first";
}

TEST_F(SettingsDialogTest, RestoreBringsBackTheFileButKeepsAutoStart)
{
    writeParamIni({QStringLiteral("[port] com3"), QStringLiteral("[baud] 9600"), QStringLiteral("[file] P"),
                   QStringLiteral("[multi type] true"), QStringLiteral("[print_code] true N"),
                   QStringLiteral("[currency]=1")});
    dialog.open();
    check("ChkAuto")->setChecked(true);
    box("comtxt")->setText(QStringLiteral("com9"));
    box("location")->setText(QStringLiteral("/elsewhere/"));
    check("multi_print")->setChecked(false);
    check("print_code_ascii")->setChecked(true);
    child<QRadioButton>("total_2")->setChecked(true);
    rate(0)->setText(QStringLiteral("99"));
    dialog.restore();
    EXPECT_EQ(box("comtxt")->text(), QStringLiteral("com3"));
    EXPECT_EQ(box("baudtxt")->text(), QStringLiteral("9600"));
    EXPECT_EQ(box("location")->text(), QString());
    EXPECT_TRUE(check("multi_print")->isChecked());
    EXPECT_TRUE(check("print_code_numeric")->isChecked());
    EXPECT_FALSE(check("print_code_ascii")->isChecked());
    EXPECT_TRUE(child<QRadioButton>("total_1")->isChecked());
    EXPECT_EQ(rate(0)->text(), QStringLiteral("6"));
    EXPECT_TRUE(check("ChkAuto")->isChecked());
}

TEST_F(SettingsDialogTest, UnknownMachineTypeLeavesTheBoxAndLongFileNameSurvives)
{
    writeParamIni({QStringLiteral("[port] com1"), QStringLiteral("[ecrt] TECFP"),
                   QStringLiteral("[file] a_rather_long_print_file.txt")});
    child<QComboBox>("typetxt")->setEditText(QStringLiteral("tec  fiscal printer"));
    dialog.open();
    EXPECT_EQ(child<QComboBox>("typetxt")->currentText(), QStringLiteral("tec  fiscal printer"));
    EXPECT_EQ(box("baudtxt")->text(), QString()) << "no [baud] line, no baud part";
    EXPECT_EQ(box("filetxt")->text(), QStringLiteral("a_rather_long_print_file.txt"));
    view.expectedBoxes = 1;
    dialog.confirm();
    const QStringList lines = paramLines();
    EXPECT_TRUE(lines.contains(QStringLiteral("[ecrt] TECFP")));
    EXPECT_TRUE(lines.contains(QStringLiteral("[file] a_rather_long_print_file.txt")));
}

TEST_F(SettingsDialogTest, ClosingWithoutConfirmSavesNothing)
{
    dialog.open();
    const QByteArray before = readFile(QStringLiteral("param.ini"));
    QSignalSpy unloaded(&dialog, &SettingsDialog::unloaded);
    QSignalSpy confirmed(&dialog, &SettingsDialog::confirmed);
    box("comtxt")->setText(QStringLiteral("com7"));
    dialog.close();
    EXPECT_EQ(unloaded.count(), 1);
    EXPECT_EQ(confirmed.count(), 0);
    EXPECT_EQ(readFile(QStringLiteral("param.ini")), before);
}

TEST_F(SettingsDialogTest, RateBoxSelectsItsTextOnFocus)
{
    dialog.open();
    dialog.activateWindow();
    rate(3)->setText(QStringLiteral("24,00"));
    rate(3)->setFocus();
    ASSERT_TRUE(waitUntil([&] { return rate(3)->hasSelectedText(); }, 2000));
    EXPECT_EQ(rate(3)->selectedText(), QStringLiteral("24,00"));
}

TEST_F(SettingsDialogTest, OpensWithoutASettingsFileAndWritesAFreshOne)
{
    QFile::remove(QStringLiteral("param.ini"));
    QFile::remove(QStringLiteral("vats.dat"));
    dialog.open();
    for (int i = 0; i < 5; ++i)
        EXPECT_EQ(rate(i)->text(), QStringLiteral("0"));
    box("comtxt")->setText(QStringLiteral("com1"));
    box("baudtxt")->setText(QStringLiteral("9600"));
    view.expectedBoxes = 1;
    dialog.confirm();
    EXPECT_EQ(paramLines().value(3), QStringLiteral("[port] com1"));
    EXPECT_EQ(readFile(QStringLiteral("vats.dat")).size(), 40);
}

} // namespace
