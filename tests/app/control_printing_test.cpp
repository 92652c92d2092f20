// The ECR check, printing on and off, the housekeeping timer and the
// reports: what the operator sees in the status line, the caption, the
// buttons and the menus, and which commands reach the register.

#include "app_testkit.h"

#include "control/mainform.h"

#include <QFile>

using namespace dravimo;
using namespace dravimo::test;

namespace {

const QString kSearching = QStringLiteral("Εύρεση Φορολογικής Ταμειακής !!! ");
const QString kOnLine = QStringLiteral("Φορολογικός Εκτυπωτής ON-Line, Έτοιμος Για Εκτυπωσεις");
const QString kOffLine = QStringLiteral("Φορολογικός Εκτυπωτής Off-Line, Εκτυπώσεις Ανενεργές !");
const QString kPrinting = QStringLiteral("Αναμονή Για Στοιχεία....");
const QString kStopped = QStringLiteral("Διακοπή Εκτυπώσεων. Πατήστε Έναρξη Εκτυπώσεων!!!");
const QString kReportDone = QStringLiteral("Το Ισοζύγιο ολοκληρώθηκε");

class Printing : public ::testing::Test
{
protected:
    void SetUp() override
    {
        writeParamIni({QStringLiteral("[port] com1"), QStringLiteral("[baud] 9600"),
                       QStringLiteral("[multi type] true"), QStringLiteral("[file] print")});
        form.setTranslator([this](const QString &path, const Settings &) {
            translated.append(path);
            return true;
        });
    }

    // Start-up, then the ECR check answered at its first attempt.
    void startReady()
    {
        form.Form_Load();
        form.Timer2_Timer();
        ASSERT_EQ(view.caption(), QStringLiteral("Dravimo- Έτοιμο"));
        ecr.sent.clear();
    }

    ScratchFolder folder;
    RecordingView view;
    ScriptedEcr ecr;
    MainForm form{view};
    QStringList translated;
};

TEST_F(Printing, EcrCheckGivesUpAfterThreeFailuresOnTheFastClock)
{
    ScopedClock fast(std::make_unique<ScaledClock>(200.0));
    ecr.defaultResult = -4;
    QStringList statusSeen;
    ecr.onSend = [&](const QString &) { statusSeen.append(view.status()); };
    form.Form_Load();
    EXPECT_EQ(view.caption(), QStringLiteral("Dravimo- Αναζήτηση"));
    EXPECT_EQ(form.Timer2().interval(), 5);
    ASSERT_TRUE(waitUntil([&] { return view.caption() == QStringLiteral("Dravimo- Λάθος!"); }));
    EXPECT_EQ(view.status(), kOffLine);
    EXPECT_EQ(ecr.sent, QStringList(3, QStringLiteral("KXCL")));
    EXPECT_EQ(statusSeen, QStringList(3, kSearching));
    EXPECT_EQ(form.Timer2Tag(), 3);
    EXPECT_TRUE(form.Timer2().isActive()) << "the given-up state repeats every second";
    EXPECT_FALSE(view.buttonEnabled(Button::Command1));
    EXPECT_FALSE(view.buttonEnabled(Button::Command2));
    EXPECT_FALSE(view.menuEnabled(Menu::Reports));

    // A register switched on afterwards is not looked for again.
    ecr.defaultResult = 0;
    waitUntil([] { return false; }, 50);
    EXPECT_EQ(ecr.sent.size(), 3);
    EXPECT_EQ(view.caption(), QStringLiteral("Dravimo- Λάθος!"));
}

TEST_F(Printing, EcrAnsweringEnablesPrinting)
{
    ecr.results = {-4, 0};
    form.Form_Load();
    form.Timer2_Timer();
    EXPECT_EQ(view.status(), kSearching);
    EXPECT_EQ(view.caption(), QStringLiteral("Dravimo- Αναζήτηση"));
    EXPECT_EQ(form.Timer2Tag(), 1);
    form.Timer2_Timer();
    EXPECT_EQ(view.status(), kOnLine);
    EXPECT_EQ(view.caption(), QStringLiteral("Dravimo- Έτοιμο"));
    EXPECT_TRUE(view.buttonEnabled(Button::Command1));
    EXPECT_FALSE(view.buttonEnabled(Button::Command2));
    EXPECT_EQ(view.defaultButtonSet(), Button::Command1);
    EXPECT_TRUE(view.menuEnabled(Menu::Reports));
    EXPECT_FALSE(form.Timer2().isActive());
    EXPECT_FALSE(form.Timer1().isActive()) << "printing waits for the operator";
    EXPECT_EQ(ecr.sent, QStringList(2, QStringLiteral("KXCL")));
    EXPECT_EQ(ecr.quietFlags, std::vector<qint16>(2, 0)) << "a silent register is shown to the operator";
}

TEST_F(Printing, StartAndStopSwitchTheButtonsAndLockTheMenus)
{
    startReady();
    form.Command1_Click();
    EXPECT_TRUE(form.Timer1().isActive());
    EXPECT_EQ(form.Timer1().interval(), 1000);
    EXPECT_FALSE(view.buttonEnabled(Button::Command1));
    EXPECT_TRUE(view.buttonEnabled(Button::Command2));
    EXPECT_EQ(view.status(), kPrinting);
    EXPECT_EQ(view.caption(), QStringLiteral("Dravimo- Αναμονή"));
    EXPECT_FALSE(view.menuEnabled(Menu::Reports));
    EXPECT_FALSE(view.menuEnabled(Menu::Options));

    form.Command2_Click();
    EXPECT_FALSE(form.Timer1().isActive());
    EXPECT_TRUE(view.buttonEnabled(Button::Command1));
    EXPECT_FALSE(view.buttonEnabled(Button::Command2));
    EXPECT_EQ(view.status(), kStopped);
    EXPECT_EQ(view.caption(), QStringLiteral("Dravimo- Διακόπηκε"));
    EXPECT_TRUE(view.menuEnabled(Menu::Reports));
    EXPECT_TRUE(view.menuEnabled(Menu::Options));
    EXPECT_TRUE(ecr.sent.isEmpty()) << "start and stop send nothing to the register";
}

TEST_F(Printing, TrayEntriesPressOnlyEnabledButtons)
{
    startReady();
    form.pStop_Click();
    EXPECT_EQ(view.status(), kOnLine) << "stop pressed while printing is stopped does nothing";
    form.pStart_Click();
    EXPECT_TRUE(form.Timer1().isActive());
    form.pStart_Click();
    EXPECT_EQ(view.status(), kPrinting);
    form.pStop_Click();
    EXPECT_FALSE(form.Timer1().isActive());
    EXPECT_EQ(view.status(), kStopped);
}

TEST_F(Printing, HousekeepingSetsTrayMarksAndTip)
{
    struct Case
    {
        bool startEnabled, stopEnabled, startMark, stopMark;
    };
    const Case cases[] = {
        {false, false, false, false},
        {true, false, false, true},
        {false, true, true, false},
        {true, true, false, false},
    };
    form.Form_Load();
    for (const Case &c : cases) {
        view.setTrayChecked(TrayEntry::pStart, !c.startMark);
        view.setTrayChecked(TrayEntry::pStop, !c.stopMark);
        view.setButtonEnabled(Button::Command1, c.startEnabled);
        view.setButtonEnabled(Button::Command2, c.stopEnabled);
        form.mTimer_Timer();
        EXPECT_EQ(view.trayChecked(TrayEntry::pStart), c.startMark);
        EXPECT_EQ(view.trayChecked(TrayEntry::pStop), c.stopMark);
    }
    EXPECT_TRUE(view.systemMenuTrimmed());
    EXPECT_EQ(view.trayTip(), QStringLiteral("Dravimo- Αναζήτηση"));
    const QString longCaption = QStringLiteral("Σφάλμα !!!") + QString(70, QLatin1Char('x'));
    view.setCaption(longCaption);
    form.mTimer_Timer();
    EXPECT_EQ(view.trayTip(), longCaption.left(63));
}

TEST_F(Printing, AutostartBeginsPrintingAndHidesTheWindow)
{
    writeParamIni({QStringLiteral("[port] com1"), QStringLiteral("[multi type] true"), QStringLiteral("[file] print"),
                   QStringLiteral("[autostar]=Yes")});
    form.Form_Load();
    EXPECT_TRUE(view.windowVisible());
    form.Timer2_Timer();
    EXPECT_TRUE(form.Timer1().isActive());
    EXPECT_FALSE(view.windowVisible());
    EXPECT_TRUE(view.trayIconShown());
    EXPECT_EQ(view.status(), kPrinting);
    EXPECT_FALSE(view.menuEnabled(Menu::Options));
}

TEST_F(Printing, ReportsSendTheirCommandAndShowTheirTexts)
{
    struct Case
    {
        void (MainForm::*handler)();
        QString command;
        QString statusWhileRunning;
    };
    const QString accentOnEta = QStringLiteral("Εκτέλεση Ισοζυγίου!!! Παρακαλώ περιμένετε για την ολοκλήρωση του");
    const QString accentOnOmega = QStringLiteral("Εκτέλεση Ισοζυγίου!!! Παρακαλώ περιμένετε για την ολοκληρωσή του");
    const Case cases[] = {
        {&MainForm::xrep0_Click, QStringLiteral("KX0T1"), accentOnEta},
        {&MainForm::xrep5_Click, QStringLiteral("KX5T1"), accentOnOmega},
        {&MainForm::zrep021_Click, QStringLiteral("KX021T1"), accentOnOmega},
        {&MainForm::zrep521_Click, QStringLiteral("KX521T1"), accentOnOmega},
    };
    startReady();
    for (const Case &c : cases) {
        QString seen;
        bool startEnabledWhileRunning = true;
        ecr.onSend = [&](const QString &) {
            seen = view.status();
            startEnabledWhileRunning = view.buttonEnabled(Button::Command1);
        };
        ecr.sent.clear();
        ecr.defaultResult = 7; // the report fails: the window ends ready all the same
        view.setCaption(QStringLiteral("Σφάλμα !!!"));
        (form.*c.handler)();
        EXPECT_EQ(ecr.sent, QStringList{c.command});
        EXPECT_EQ(seen, c.statusWhileRunning) << c.command.toStdString();
        EXPECT_FALSE(startEnabledWhileRunning);
        EXPECT_EQ(view.status(), kReportDone);
        EXPECT_EQ(view.caption(), QStringLiteral("Dravimo- Έτοιμο"));
        EXPECT_TRUE(view.buttonEnabled(Button::Command1));
        EXPECT_EQ(shared().lastResultCode, 7);
    }
}

TEST_F(Printing, ClearingAnErrorLeavesTheLastResultCodeAlone)
{
    startReady();
    shared().lastResultCode = 14;
    ecr.defaultResult = 0;
    form.errorclear_Click();
    EXPECT_EQ(ecr.sent, QStringList{QStringLiteral("KXCL")});
    EXPECT_EQ(shared().lastResultCode, 14);
}

TEST_F(Printing, ZReportFromTheTrayStopsPrintingFirst)
{
    startReady();
    form.Command1_Click();
    bool printingWhenSent = true;
    ecr.onSend = [&](const QString &) { printingWhenSent = form.Timer1().isActive(); };
    form.mZREp_Click();
    EXPECT_EQ(ecr.sent, QStringList{QStringLiteral("KX021T1")});
    EXPECT_FALSE(printingWhenSent);
    EXPECT_FALSE(form.Timer1().isActive());
    EXPECT_TRUE(view.buttonEnabled(Button::Command1));
    EXPECT_FALSE(view.buttonEnabled(Button::Command2));
    EXPECT_EQ(view.status(), kReportDone);
    EXPECT_EQ(view.caption(), QStringLiteral("Dravimo- Έτοιμο"));
}

// The tray's Z report asked for while a receipt is being sent waits for the
// receipt: slipped between two of its commands it would land in the middle of
// it on the register.
TEST_F(Printing, ZReportFromTheTrayDuringAJobRunsAfterTheJob)
{
    startReady();
    form.Command1_Click();
    writeFile(QStringLiteral("print.1"), "x\r\n");
    form.setTranslator([&](const QString &, const Settings &) {
        qint16 result = 0;
        QString reply;
        fiscalTec().SendCommand(QStringLiteral("KXCL"), result, reply);
        form.mZREp_Click();
        EXPECT_FALSE(form.Timer1().isActive()) << "printing stops at once";
        fiscalTec().SendCommand(QStringLiteral("KX794ST"), result, reply);
        return true;
    });
    form.Timer1_Timer();
    EXPECT_EQ(ecr.sent, (QStringList{QStringLiteral("KXCL"), QStringLiteral("KX794ST"), QStringLiteral("KX021T1")}));
    EXPECT_FALSE(QFile::exists(QStringLiteral("print.1")));
    EXPECT_EQ(view.status(), kReportDone);
    EXPECT_TRUE(view.buttonEnabled(Button::Command1));
}

// An "MKZ" line runs the Z report at once, in the middle of its own job; the
// printing state stays, but the start button ends up enabled.
TEST_F(Printing, ZReportFromAJobLineRunsAtOnce)
{
    startReady();
    form.Command1_Click();
    writeFile(QStringLiteral("print.1"), "x\r\n");
    form.setTranslator([&](const QString &, const Settings &) {
        qint16 result = 0;
        QString reply;
        fiscalTec().SendCommand(QStringLiteral("KXCL"), result, reply);
        form.zReportFromJob();
        fiscalTec().SendCommand(QStringLiteral("KX794ST"), result, reply);
        return true;
    });
    form.Timer1_Timer();
    EXPECT_EQ(ecr.sent, (QStringList{QStringLiteral("KXCL"), QStringLiteral("KX021T1"), QStringLiteral("KX794ST")}));
    EXPECT_TRUE(form.Timer1().isActive());
    EXPECT_TRUE(view.buttonEnabled(Button::Command1));
}

TEST_F(Printing, EcrCheckFallingDueDuringAJobSendsNothing)
{
    startReady();
    form.Command1_Click();
    writeFile(QStringLiteral("print.1"), "x\r\n");
    form.setTranslator([&](const QString &, const Settings &) {
        form.Timer2_Timer();
        return true;
    });
    form.Timer1_Timer();
    EXPECT_TRUE(ecr.sent.isEmpty());
    EXPECT_EQ(form.Timer2Tag(), 0);
}

TEST_F(Printing, SettingsDialogStopsAndResumesTheEcrCheck)
{
    form.Form_Load();
    ASSERT_TRUE(form.Timer2().isActive());
    form.settingsDialogLoaded();
    EXPECT_FALSE(form.Timer2().isActive());
    form.settingsDialogUnloaded();
    EXPECT_TRUE(form.Timer2().isActive());
}

TEST_F(Printing, BatchFileRunsWhenTheCommandLineEndsInABackquote)
{
    shared().commandLine = QStringLiteral("com1:9600,9600,print.txt,0,mikro,1111111`");
    writeFile(QStringLiteral("cop2fis.bat"), "echo ran > batch.out\n");
    form.Command1_Click();
    EXPECT_TRUE(waitUntil([] { return QFile::exists(QStringLiteral("batch.out")); }));
    EXPECT_EQ(form.Timer1().interval(), 3000) << "a one-shot run keeps its own poll interval";
    EXPECT_FALSE(view.closed());
}

TEST_F(Printing, MissingBatchFileIsReportedFromErrorListAndEndsTheProgram)
{
    shared().commandLine = QStringLiteral("com1:9600,9600,print.txt,0,mikro,1111111`");
    writeFile(QStringLiteral("error.lst"),
              "#53File not found: the batch file\r\n#70Permission denied\r\n#53Copy it beside Dravimo\r\n");
    form.Command1_Click();
    EXPECT_EQ(view.printed(),
              (QStringList{QStringLiteral("53"), QStringLiteral("#53File not found: the batch file"),
                           QStringLiteral("#53Copy it beside Dravimo")}));
    EXPECT_TRUE(view.closed());
    EXPECT_EQ(view.exitCode(), 1);
}

} // namespace
