// The real main window on the offscreen platform, driven by its controller:
// captions, the state the controller sets, the menus and buttons wired to it,
// the settings dialog it opens, and its message boxes.

#include "controller_fixture.h"

#include "core/commlog.h"
#include "gui/mainwindow.h"
#include "gui/messagebox.h"
#include "gui/settingsdialog.h"

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
        form.setTranslator([](const QString &, const PrintJobFiles::Taken &, const TranslationOptions &) { return true; });
        ecr.defaultReply = QStringLiteral("OK");
    }
    // A test that ended the program called QCoreApplication::exit, which
    // outside exec() leaves every later event loop returning at once (a
    // message box then answers without being shown); one turn of exec()
    // clears that for the next test.
    void TearDown() override
    {
        QTimer::singleShot(0, qApp, [] { QCoreApplication::exit(0); });
        QCoreApplication::exec();
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
        {"connectionCaption", QStringLiteral("Πόρτα επικοινωνίας")},
        {"baudCaption", QStringLiteral("Ταχύτητα         :")},
        {"printFileCaption", QStringLiteral("Αρχείο              :")},
        {"ecrTypeCaption", QStringLiteral("Ταμειακή          :")},
        {"descriptionsCaption", QStringLiteral("Περιγραφή       :")},
        {"commentsCaption", QStringLiteral("Σχόλια              :")},
        {"currencyCaption", QStringLiteral("Εξόφληση         :")},
        {"jobCounterCaption", QStringLiteral(" Αριθμός Αποδείξεων")},
    };
    for (const auto &[name, caption] : labels)
        EXPECT_EQ(window.findChild<QLabel *>(QLatin1String(name))->text(), caption) << name;
    QStringList menus;
    for (QAction *a : window.menuBar()->actions())
        menus.append(a->text());
    EXPECT_EQ(menus,
              (QStringList{QStringLiteral("Επιλογές"), QStringLiteral("Bοήθεια"), QStringLiteral("Ισοζύγια"),
                           QStringLiteral("Έξοδος")}));
    EXPECT_EQ(action(window, "dailyZReport")->text(), QStringLiteral("Iσοζ. Z (Οικονομικό-Hμερήσιο)"));
    EXPECT_EQ(action(window, "dailyXReport")->text(), QStringLiteral("Iσοζ. Χ (Οικονομικό)"));
    EXPECT_EQ(action(window, "trayZReport")->text(), QStringLiteral("Εκτέλεση Ισοζ. 'Ζ'"));
    EXPECT_FALSE(window.windowFlags() & Qt::WindowCloseButtonHint);
}

TEST_F(MainWindowTest, StartUpFillsTheRealWindow)
{
    form.start();
    EXPECT_TRUE(window.isVisible());
    EXPECT_EQ(window.windowTitle(), QStringLiteral("Dravimo- Αναζήτηση"));
    EXPECT_EQ(window.findChild<QLineEdit *>(QStringLiteral("statusLine"))->text(),
              QStringLiteral("Εύρεση Φορολογικής Ταμειακής !!! "));
    EXPECT_EQ(window.findChild<QLabel *>(QStringLiteral("connection"))->text(), QStringLiteral("com1:9600"));
    EXPECT_EQ(window.findChild<QLabel *>(QStringLiteral("printFile"))->text(), QStringLiteral("print @Path : /spool/"));
    EXPECT_FALSE(window.findChild<QPushButton *>(QStringLiteral("startPrinting"))->isEnabled());
}

TEST_F(MainWindowTest, ButtonsAndMenusDriveTheController)
{
    form.start();
    form.ecrCheckTick();
    auto *start = window.findChild<QPushButton *>(QStringLiteral("startPrinting"));
    auto *stop = window.findChild<QPushButton *>(QStringLiteral("stopPrinting"));
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
    action(window, "periodZReport")->trigger();
    EXPECT_EQ(ecr.commands(), QStringList{QStringLiteral("KX521T1")});
    form.housekeepingTick();
    EXPECT_FALSE(action(window, "trayStartPrinting")->isChecked());
    EXPECT_TRUE(action(window, "trayStopPrinting")->isChecked());
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
    action(window, "settings")->trigger();
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

// Presses the named button of the box that is about to open. The box may
// open a few turns of the event loop later (whatever an earlier test left
// queued runs first), so it is looked for until it is there.
void pressWhenShown(QMessageBox::StandardButton which)
{
    auto *timer = new QTimer;
    timer->setInterval(5);
    auto tries = std::make_shared<int>(0);
    QObject::connect(timer, &QTimer::timeout, [timer, which, tries] {
        auto *box = qobject_cast<QMessageBox *>(QApplication::activeModalWidget());
        if (!box && ++*tries < 400)
            return;
        timer->stop();
        timer->deleteLater();
        if (!box) {
            ADD_FAILURE() << "no message box opened";
            return;
        }
        box->button(which)->click();
    });
    timer->start();
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
    QAction *entry = action(window, "commLog");
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
