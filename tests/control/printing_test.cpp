// The ECR check, printing on and off, the housekeeping timer and the
// reports: what the operator sees in the status line, the caption, the
// buttons and the menus, and which commands reach the register.

#include "controller_fixture.h"

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

class Printing : public ControllerTest
{
protected:
    void SetUp() override
    {
        writeParamIni({QStringLiteral("[port] com1"), QStringLiteral("[baud] 9600"),
                       QStringLiteral("[multi type] true"), QStringLiteral("[file] print")});
    }

    // Start-up, then the ECR check answered at its first attempt.
    void startReady()
    {
        form().start();
        form().ecrCheckTick();
        ASSERT_EQ(view.caption(), QStringLiteral("Dravimo- Έτοιμο"));
        ecr.sent.clear();
    }
};

TEST_F(Printing, EcrCheckGivesUpAfterThreeFailuresOnTheFastClock)
{
    clock = ScaledClock(200.0);
    ecr.defaultResult = -4;
    QStringList statusSeen;
    ecr.onSend = [&](const QString &) { statusSeen.append(view.status()); };
    form().start();
    EXPECT_EQ(view.caption(), QStringLiteral("Dravimo- Αναζήτηση"));
    EXPECT_EQ(form().ecrCheckTimer().interval(), 5);
    ASSERT_TRUE(waitUntil([&] { return view.caption() == QStringLiteral("Dravimo- Λάθος!"); }));
    EXPECT_EQ(view.status(), kOffLine);
    EXPECT_EQ(ecr.commands(), QStringList(3, QStringLiteral("KXCL")));
    EXPECT_EQ(statusSeen, QStringList(3, kSearching));
    EXPECT_EQ(form().ecrCheckFailures(), 3);
    EXPECT_TRUE(form().ecrCheckTimer().isActive()) << "the given-up state repeats every second";
    EXPECT_FALSE(view.buttonEnabled(Button::StartPrinting));
    EXPECT_FALSE(view.buttonEnabled(Button::StopPrinting));
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
    form().start();
    form().ecrCheckTick();
    EXPECT_EQ(view.status(), kSearching);
    EXPECT_EQ(view.caption(), QStringLiteral("Dravimo- Αναζήτηση"));
    EXPECT_EQ(form().ecrCheckFailures(), 1);
    form().ecrCheckTick();
    EXPECT_EQ(view.status(), kOnLine);
    EXPECT_EQ(view.caption(), QStringLiteral("Dravimo- Έτοιμο"));
    EXPECT_TRUE(view.buttonEnabled(Button::StartPrinting));
    EXPECT_FALSE(view.buttonEnabled(Button::StopPrinting));
    EXPECT_EQ(view.defaultButtonSet(), Button::StartPrinting);
    EXPECT_TRUE(view.menuEnabled(Menu::Reports));
    EXPECT_FALSE(form().ecrCheckTimer().isActive());
    EXPECT_FALSE(form().pollTimer().isActive()) << "printing waits for the operator";
    EXPECT_EQ(ecr.commands(), QStringList(2, QStringLiteral("KXCL")));
    for (const SentCommand &c : ecr.sent)
        EXPECT_EQ(c.quiet, Quiet::Yes) << "the search for the register is quiet";
}

TEST_F(Printing, StartAndStopSwitchTheButtonsAndLockTheMenus)
{
    startReady();
    form().startPrinting();
    EXPECT_TRUE(form().pollTimer().isActive());
    EXPECT_EQ(form().pollTimer().interval(), 1000);
    EXPECT_FALSE(view.buttonEnabled(Button::StartPrinting));
    EXPECT_TRUE(view.buttonEnabled(Button::StopPrinting));
    EXPECT_EQ(view.status(), kPrinting);
    EXPECT_EQ(view.caption(), QStringLiteral("Dravimo- Αναμονή"));
    EXPECT_FALSE(view.menuEnabled(Menu::Reports));
    EXPECT_FALSE(view.menuEnabled(Menu::Options));

    form().stopPrinting();
    EXPECT_FALSE(form().pollTimer().isActive());
    EXPECT_TRUE(view.buttonEnabled(Button::StartPrinting));
    EXPECT_FALSE(view.buttonEnabled(Button::StopPrinting));
    EXPECT_EQ(view.status(), kStopped);
    EXPECT_EQ(view.caption(), QStringLiteral("Dravimo- Διακόπηκε"));
    EXPECT_TRUE(view.menuEnabled(Menu::Reports));
    EXPECT_TRUE(view.menuEnabled(Menu::Options));
    EXPECT_TRUE(ecr.sent.isEmpty()) << "start and stop send nothing to the register";
}

TEST_F(Printing, TrayEntriesPressOnlyEnabledButtons)
{
    startReady();
    form().trayStopPrinting();
    EXPECT_EQ(view.status(), kOnLine) << "stop pressed while printing is stopped does nothing";
    form().trayStartPrinting();
    EXPECT_TRUE(form().pollTimer().isActive());
    form().trayStartPrinting();
    EXPECT_EQ(view.status(), kPrinting);
    form().trayStopPrinting();
    EXPECT_FALSE(form().pollTimer().isActive());
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
    form().start();
    for (const Case &c : cases) {
        view.setTrayChecked(TrayEntry::StartPrinting, !c.startMark);
        view.setTrayChecked(TrayEntry::StopPrinting, !c.stopMark);
        view.setButtonEnabled(Button::StartPrinting, c.startEnabled);
        view.setButtonEnabled(Button::StopPrinting, c.stopEnabled);
        form().housekeepingTick();
        EXPECT_EQ(view.trayChecked(TrayEntry::StartPrinting), c.startMark);
        EXPECT_EQ(view.trayChecked(TrayEntry::StopPrinting), c.stopMark);
    }
    EXPECT_TRUE(view.systemMenuTrimmed());
    EXPECT_EQ(view.trayTip(), QStringLiteral("Dravimo- Αναζήτηση"));
    const QString longCaption = QStringLiteral("Σφάλμα !!!") + QString(70, QLatin1Char('x'));
    view.setCaption(longCaption);
    form().housekeepingTick();
    EXPECT_EQ(view.trayTip(), longCaption.left(63));
}

TEST_F(Printing, AutostartBeginsPrintingAndHidesTheWindow)
{
    writeParamIni({QStringLiteral("[port] com1"), QStringLiteral("[multi type] true"), QStringLiteral("[file] print"),
                   QStringLiteral("[autostar]=Yes")});
    form().start();
    EXPECT_TRUE(view.windowVisible());
    form().ecrCheckTick();
    EXPECT_TRUE(form().pollTimer().isActive());
    EXPECT_FALSE(view.windowVisible());
    EXPECT_TRUE(view.trayIconShown());
    EXPECT_EQ(view.status(), kPrinting);
    EXPECT_FALSE(view.menuEnabled(Menu::Options));
}

TEST_F(Printing, ReportsSendTheirCommandAndShowTheirTexts)
{
    struct Case
    {
        void (Controller::*handler)();
        QString command;
        QString statusWhileRunning;
    };
    const QString accentOnEta = QStringLiteral("Εκτέλεση Ισοζυγίου!!! Παρακαλώ περιμένετε για την ολοκλήρωση του");
    const QString accentOnOmega = QStringLiteral("Εκτέλεση Ισοζυγίου!!! Παρακαλώ περιμένετε για την ολοκληρωσή του");
    const Case cases[] = {
        {&Controller::dailyXReport, QStringLiteral("KX0T1"), accentOnEta},
        {&Controller::periodXReport, QStringLiteral("KX5T1"), accentOnOmega},
        {&Controller::dailyZReport, QStringLiteral("KX021T1"), accentOnOmega},
        {&Controller::periodZReport, QStringLiteral("KX521T1"), accentOnOmega},
    };
    startReady();
    for (const Case &c : cases) {
        QString seen;
        bool startEnabledWhileRunning = true;
        ecr.onSend = [&](const QString &) {
            seen = view.status();
            startEnabledWhileRunning = view.buttonEnabled(Button::StartPrinting);
        };
        ecr.sent.clear();
        ecr.defaultResult = 7; // the report fails: the window ends ready all the same
        view.setCaption(QStringLiteral("Σφάλμα !!!"));
        (form().*c.handler)();
        EXPECT_EQ(ecr.commands(), QStringList{c.command});
        EXPECT_EQ(seen, c.statusWhileRunning) << c.command.toStdString();
        EXPECT_FALSE(startEnabledWhileRunning);
        EXPECT_EQ(view.status(), kReportDone);
        EXPECT_EQ(view.caption(), QStringLiteral("Dravimo- Έτοιμο"));
        EXPECT_TRUE(view.buttonEnabled(Button::StartPrinting));
    }
}

TEST_F(Printing, ClearingAnErrorSendsOneClear)
{
    startReady();
    form().clearEcrError();
    EXPECT_EQ(ecr.commands(), QStringList{QStringLiteral("KXCL")});
}

TEST_F(Printing, ZReportFromTheTrayStopsPrintingFirst)
{
    startReady();
    form().startPrinting();
    bool printingWhenSent = true;
    ecr.onSend = [&](const QString &) { printingWhenSent = form().pollTimer().isActive(); };
    form().trayZReport();
    EXPECT_EQ(ecr.commands(), QStringList{QStringLiteral("KX021T1")});
    EXPECT_FALSE(printingWhenSent);
    EXPECT_FALSE(form().pollTimer().isActive());
    EXPECT_TRUE(view.buttonEnabled(Button::StartPrinting));
    EXPECT_FALSE(view.buttonEnabled(Button::StopPrinting));
    EXPECT_EQ(view.status(), kReportDone);
    EXPECT_EQ(view.caption(), QStringLiteral("Dravimo- Έτοιμο"));
}

// The tray's Z report asked for while a receipt is being sent waits for the
// receipt: slipped between two of its commands it would land in the middle of
// it on the register.
TEST_F(Printing, ZReportFromTheTrayDuringAJobRunsAfterTheJob)
{
    startReady();
    form().startPrinting();
    writeFile(QStringLiteral("print.1"), "x\r\n");
    form().setTranslator([&](const QString &, const PrintJobFiles::Taken &, const TranslationOptions &) {
        ecr.send(ecrcommand::clear());
        form().trayZReport();
        EXPECT_FALSE(form().pollTimer().isActive()) << "printing stops at once";
        ecr.send(ecrcommand::raw(QStringLiteral("KX794ST")));
        return true;
    });
    form().pollTick();
    EXPECT_EQ(ecr.commands(),
              (QStringList{QStringLiteral("KXCL"), QStringLiteral("KX794ST"), QStringLiteral("KX021T1")}));
    EXPECT_FALSE(QFile::exists(QStringLiteral("print.1")));
    EXPECT_EQ(view.status(), kReportDone);
    EXPECT_TRUE(view.buttonEnabled(Button::StartPrinting));
}

// An "MKZ" line runs the Z report at once, in the middle of its own job; the
// printing state stays, but the start button ends up enabled.
TEST_F(Printing, ZReportFromAJobLineRunsAtOnce)
{
    startReady();
    form().startPrinting();
    writeFile(QStringLiteral("print.1"), "x\r\n");
    form().setTranslator([&](const QString &, const PrintJobFiles::Taken &, const TranslationOptions &) {
        ecr.send(ecrcommand::clear());
        form().zReportFromJob(ecr);
        ecr.send(ecrcommand::raw(QStringLiteral("KX794ST")));
        return true;
    });
    form().pollTick();
    EXPECT_EQ(ecr.commands(),
              (QStringList{QStringLiteral("KXCL"), QStringLiteral("KX021T1"), QStringLiteral("KX794ST")}));
    EXPECT_TRUE(form().pollTimer().isActive());
    EXPECT_TRUE(view.buttonEnabled(Button::StartPrinting));
}

TEST_F(Printing, EcrCheckFallingDueDuringAJobSendsNothing)
{
    startReady();
    form().startPrinting();
    writeFile(QStringLiteral("print.1"), "x\r\n");
    form().setTranslator([&](const QString &, const PrintJobFiles::Taken &, const TranslationOptions &) {
        form().ecrCheckTick();
        return true;
    });
    form().pollTick();
    EXPECT_TRUE(ecr.sent.isEmpty());
    EXPECT_EQ(form().ecrCheckFailures(), 0);
}

TEST_F(Printing, SettingsDialogStopsAndResumesTheEcrCheck)
{
    form().start();
    ASSERT_TRUE(form().ecrCheckTimer().isActive());
    form().settingsDialogOpened();
    EXPECT_FALSE(form().ecrCheckTimer().isActive());
    form().settingsDialogClosed();
    EXPECT_TRUE(form().ecrCheckTimer().isActive());
}

TEST_F(Printing, BatchFileRunsWhenTheCommandLineEndsInABackquote)
{
    commandLine = QStringLiteral("com1:9600,9600,print.txt,0,mikro,1111111`");
    writeFile(QStringLiteral("cop2fis.bat"), "echo ran > batch.out\n");
    form().startPrinting();
    EXPECT_TRUE(waitUntil([] { return QFile::exists(QStringLiteral("batch.out")); }));
    EXPECT_EQ(form().pollTimer().interval(), 3000) << "a one-shot run keeps its own poll interval";
    EXPECT_FALSE(view.closed());
}

TEST_F(Printing, MissingBatchFileIsReportedFromErrorListAndEndsTheProgram)
{
    commandLine = QStringLiteral("com1:9600,9600,print.txt,0,mikro,1111111`");
    writeFile(QStringLiteral("error.lst"),
              "#53File not found: the batch file\r\n#70Permission denied\r\n#53Copy it beside Dravimo\r\n");
    form().startPrinting();
    EXPECT_EQ(view.printed(),
              (QStringList{QStringLiteral("53"), QStringLiteral("#53File not found: the batch file"),
                           QStringLiteral("#53Copy it beside Dravimo")}));
    EXPECT_TRUE(view.closed());
    EXPECT_EQ(view.exitCode(), 1);
}

} // namespace
