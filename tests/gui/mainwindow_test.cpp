// The real main window on the offscreen platform, driven by its controller:
// captions, the state the controller sets, the menus and buttons wired to it,
// the settings dialog it opens, and its message boxes.

#include "controller_fixture.h"

#include "core/commlog.h"
#include "gui/frmparam.h"
#include "gui/mainwindow.h"
#include "gui/messagebox.h"

#include <QAction>
#include <QApplication>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QMenuBar>
#include <QMessageBox>
#include <QPushButton>
#include <QTimer>

using namespace dravimo;
using namespace dravimo::test;

namespace {

QAction *action(QWidget &window, const char *name)
{
    auto *a = window.findChild<QAction *>(QLatin1String(name));
    EXPECT_NE(a, nullptr) << name;
    return a;
}

class MainWindowTest : public ::testing::Test
{
protected:
    void SetUp() override
    {
        writeParamIni({QStringLiteral("[port] com1"), QStringLiteral("[baud] 9600"), QStringLiteral("[file] print"),
                       QStringLiteral("[multi type] true"), QStringLiteral("[ecrt] mikro"),
                       QStringLiteral("[location] /spool/")});
        window.attach(form);
        form.setTranslator([](const QString &, const TranslationOptions &) { return true; });
        ecr.defaultReply = QStringLiteral("OK");
    }

    ScratchFolder folder;
    ScriptedRegister ecr;
    ScaledClock clock;
    CommLog log{QStringLiteral("dravimoLog.txt")};
    MainWindow window{clock, log};
    ProgressIndicator progress{window};
    Controller form{window, clock, ecr, progress, {}};
};

TEST_F(MainWindowTest, CaptionsAreTheProgramsOwn)
{
    const std::pair<const char *, QString> labels[] = {
        {"seriallbl", QStringLiteral("Πόρτα επικοινωνίας")},  {"baudlbl", QStringLiteral("Ταχύτητα         :")},
        {"filelbl", QStringLiteral("Αρχείο              :")}, {"ecrlbl", QStringLiteral("Ταμειακή          :")},
        {"desclbl", QStringLiteral("Περιγραφή       :")},     {"commentslbl", QStringLiteral("Σχόλια              :")},
        {"currlbl", QStringLiteral("Εξόφληση         :")},    {"Label1", QStringLiteral(" Αριθμός Αποδείξεων")},
    };
    for (const auto &[name, caption] : labels)
        EXPECT_EQ(window.findChild<QLabel *>(QLatin1String(name))->text(), caption) << name;
    QStringList menus;
    for (QAction *a : window.menuBar()->actions())
        menus.append(a->text());
    EXPECT_EQ(menus,
              (QStringList{QStringLiteral("Επιλογές"), QStringLiteral("Bοήθεια"), QStringLiteral("Ισοζύγια"),
                           QStringLiteral("Έξοδος")}));
    EXPECT_EQ(action(window, "zrep021")->text(), QStringLiteral("Iσοζ. Z (Οικονομικό-Hμερήσιο)"));
    EXPECT_EQ(action(window, "xrep0")->text(), QStringLiteral("Iσοζ. Χ (Οικονομικό)"));
    EXPECT_EQ(action(window, "mZREp")->text(), QStringLiteral("Εκτέλεση Ισοζ. 'Ζ'"));
    EXPECT_FALSE(window.windowFlags() & Qt::WindowCloseButtonHint);
}

TEST_F(MainWindowTest, StartUpFillsTheRealWindow)
{
    form.start();
    EXPECT_TRUE(window.isVisible());
    EXPECT_EQ(window.windowTitle(), QStringLiteral("Dravimo- Αναζήτηση"));
    EXPECT_EQ(window.findChild<QLineEdit *>(QStringLiteral("comstattxt"))->text(),
              QStringLiteral("Εύρεση Φορολογικής Ταμειακής !!! "));
    EXPECT_EQ(window.findChild<QLabel *>(QStringLiteral("serialtxt"))->text(), QStringLiteral("com1:9600"));
    EXPECT_EQ(window.findChild<QLabel *>(QStringLiteral("filetxt"))->text(), QStringLiteral("print @Path : /spool/"));
    EXPECT_FALSE(window.findChild<QPushButton *>(QStringLiteral("Command1"))->isEnabled());
}

TEST_F(MainWindowTest, ButtonsAndMenusDriveTheController)
{
    form.start();
    form.ecrCheckTick();
    auto *start = window.findChild<QPushButton *>(QStringLiteral("Command1"));
    auto *stop = window.findChild<QPushButton *>(QStringLiteral("Command2"));
    ASSERT_TRUE(start->isEnabled());
    EXPECT_TRUE(start->isDefault());
    start->click();
    EXPECT_TRUE(form.pollTimer().isActive());
    EXPECT_FALSE(window.findChild<QMenu *>(QStringLiteral("reports"))->menuAction()->isEnabled());
    EXPECT_FALSE(window.findChild<QMenu *>(QStringLiteral("options"))->menuAction()->isEnabled());
    stop->click();
    EXPECT_FALSE(form.pollTimer().isActive());
    EXPECT_TRUE(window.findChild<QMenu *>(QStringLiteral("reports"))->menuAction()->isEnabled());

    ecr.sent.clear();
    action(window, "zrep521")->trigger();
    EXPECT_EQ(ecr.commands(), QStringList{QStringLiteral("KX521T1")});
    form.housekeepingTick();
    EXPECT_FALSE(action(window, "pStart")->isChecked());
    EXPECT_TRUE(action(window, "pStop")->isChecked());
}

TEST_F(MainWindowTest, ClosingFromTheTitleBarIsRefused)
{
    form.start();
    window.close();
    EXPECT_TRUE(window.isVisible());
}

TEST_F(MainWindowTest, SettingsEntryOpensTheDialogAndPausesTheEcrCheck)
{
    form.start();
    ASSERT_TRUE(form.ecrCheckTimer().isActive());
    action(window, "param")->trigger();
    ASSERT_NE(window.settingsDialog(), nullptr);
    EXPECT_TRUE(window.settingsDialog()->isVisible());
    EXPECT_FALSE(form.ecrCheckTimer().isActive());
    window.settingsDialog()->close();
    EXPECT_TRUE(form.ecrCheckTimer().isActive());
}

TEST_F(MainWindowTest, WithoutANotificationAreaHidingOnlyMinimises)
{
    form.start();
    ASSERT_EQ(window.trayIcon(), nullptr) << "the offscreen platform has no notification area";
    window.hideWindow();
    EXPECT_TRUE(window.isVisible());
    EXPECT_TRUE(window.isMinimized());
}

// Presses the named button of the box that is about to open.
void pressWhenShown(QMessageBox::StandardButton which)
{
    QTimer::singleShot(0, [which] {
        auto *box = qobject_cast<QMessageBox *>(QApplication::activeModalWidget());
        ASSERT_NE(box, nullptr);
        box->button(which)->click();
    });
}

TEST_F(MainWindowTest, MessageBoxesAnswerWithTheProgramsButtonNumbers)
{
    struct Case
    {
        int code;
        QMessageBox::StandardButton press;
        int answer;
    };
    const Case cases[] = {
        {mb::Ok, QMessageBox::Ok, mb::RetOk},
        {mb::OkCancel, QMessageBox::Cancel, mb::RetCancel},
        {mb::YesNo + mb::Question, QMessageBox::No, mb::RetNo},
        {mb::YesNo, QMessageBox::Yes, mb::RetYes},
        {5, QMessageBox::Retry, 4},
    };
    for (const Case &c : cases) {
        pressWhenShown(c.press);
        EXPECT_EQ(execMessageBox(nullptr, QStringLiteral("text"), c.code, QStringLiteral("title")), c.answer) << c.code;
    }
}

} // namespace

namespace {

TEST_F(MainWindowTest, DebugEntryTogglesTheCommunicationWindow)
{
    form.start();
    QAction *entry = action(window, "wndDebug");
    entry->trigger();
    EXPECT_TRUE(log.isOpen());
    EXPECT_TRUE(entry->isChecked());
    entry->trigger();
    EXPECT_FALSE(log.isOpen());
    EXPECT_FALSE(entry->isChecked());

    // Closed by its own close box, or by the main window going away.
    entry->trigger();
    QWidget *debug = window.debugWindow();
    ASSERT_NE(debug, nullptr);
    ASSERT_TRUE(log.isOpen());
    debug->close();
    EXPECT_FALSE(log.isOpen());
    EXPECT_FALSE(entry->isChecked());
    entry->trigger();
    form.quit();
    EXPECT_FALSE(log.isOpen());
}

} // namespace
