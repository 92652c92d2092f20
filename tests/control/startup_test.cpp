// Start-up, the one-shot run and shutdown of the main window's controller.

#include "controller_fixture.h"

#include "control/unattendedwindow.h"

#include <QFile>

using namespace dravimo;
using namespace dravimo::test;

namespace {

using Startup = ControllerTest;

TEST_F(Startup, NormalStartFillsTheWindowAndArmsTheTimers)
{
    writeParamIni({QStringLiteral("[port] com2"), QStringLiteral("[baud] 19200"), QStringLiteral("[file] PRINT"),
                   QStringLiteral("[location] /pos/"), QStringLiteral("[ecrt] mikro"),
                   QStringLiteral("[print_desc] true"), QStringLiteral("[comments] false"),
                   QStringLiteral("[currency]=2")});
    form().start();
    EXPECT_EQ(view.label(InfoLabel::Connection), QStringLiteral("com2:19200"));
    EXPECT_EQ(view.label(InfoLabel::Baud), QStringLiteral("19200"));
    EXPECT_EQ(view.label(InfoLabel::PrintFile), QStringLiteral("PRINT @Path : /pos/"));
    EXPECT_EQ(view.label(InfoLabel::EcrType), QStringLiteral("mikro"));
    EXPECT_EQ(view.label(InfoLabel::Descriptions), QStringLiteral("Να Εκτυπώνεται"));
    EXPECT_EQ(view.label(InfoLabel::Comments), QStringLiteral("Οχι"));
    EXPECT_EQ(view.label(InfoLabel::Currency), QStringLiteral("Δευτερεύων Νομισμα"));
    EXPECT_EQ(view.caption(), QStringLiteral("Dravimo- Αναζήτηση"));
    EXPECT_EQ(view.status(), QStringLiteral("Εύρεση Φορολογικής Ταμειακής !!! "));
    EXPECT_TRUE(view.windowVisible());
    EXPECT_TRUE(view.trayIconShown());
    EXPECT_FALSE(view.buttonEnabled(Button::StartPrinting));
    EXPECT_FALSE(view.buttonEnabled(Button::StopPrinting));
    EXPECT_TRUE(form().ecrCheckTimer().isActive());
    EXPECT_EQ(form().ecrCheckTimer().interval(), 1000);
    EXPECT_TRUE(form().housekeepingTimer().isActive());
    EXPECT_FALSE(form().pollTimer().isActive());
    EXPECT_TRUE(ecr.sent.isEmpty()) << "start-up itself sends nothing";
}

TEST_F(Startup, InformationLabelsFollowTheSettingSlices)
{
    struct Case
    {
        QStringList ini;
        InfoLabel label;
        QString expected;
    };
    const Case cases[] = {
        {{QStringLiteral("[print_desc] false")}, InfoLabel::Descriptions, QStringLiteral("Να ΜΗΝ Εκτυπώνεται")},
        {{}, InfoLabel::Descriptions, QStringLiteral("Να ΜΗΝ Εκτυπώνεται")},
        {{QStringLiteral("[comments] true")}, InfoLabel::Comments, QStringLiteral("Nαι")},
        {{}, InfoLabel::Comments, QStringLiteral("Nαι")},
        {{QStringLiteral("[currency]=0")}, InfoLabel::Currency, QStringLiteral("Κύριο Νόμισμα")},
        {{QStringLiteral("[currency]=1")}, InfoLabel::Currency, QStringLiteral("Κύριο Νόμισμα")},
        {{QStringLiteral("[currency]=7")}, InfoLabel::Currency, QString()},
        // No "[file]" line: the label still reads the join and the location.
        {{QStringLiteral("[location] C:\\POS\\")}, InfoLabel::PrintFile, QStringLiteral(" @Path : C:\\POS\\")},
    };
    for (const Case &c : cases) {
        RecordingWindow fresh;
        ProgressIndicator freshProgress(fresh);
        Controller other(fresh, clock, ecr, freshProgress, {});
        writeParamIni(QStringList{QStringLiteral("[port] com1")} + c.ini);
        other.start();
        EXPECT_EQ(fresh.label(c.label), c.expected) << c.ini.join(QLatin1Char('|')).toStdString();
    }
}

TEST_F(Startup, MissingSettingsFileOpensTheSettingsDialogWithAClearMessage)
{
    view.expectedBoxes = 1;
    form().start();
    ASSERT_EQ(view.boxes.size(), 1);
    const ShownBox &box = view.boxes.front();
    EXPECT_TRUE(box.text.startsWith(QStringLiteral("Λάθος : 53\rΔεν βρέθηκε ή δεν διαβάζεται το αρχείο ρυθμίσεων ")));
    EXPECT_TRUE(box.text.contains(QStringLiteral("param.ini")));
    EXPECT_EQ(box.code, mb::Critical + mb::SystemModal);
    EXPECT_EQ(box.title, QStringLiteral("Dravimo4_QEB"));
    EXPECT_EQ(view.settingsOpened(), 1);
    EXPECT_TRUE(view.closed());
    EXPECT_EQ(view.exitCode(), 1);
    EXPECT_FALSE(view.trayIconShown());
    EXPECT_FALSE(form().ecrCheckTimer().isActive());
}

TEST_F(Startup, RejectedCommandLineSaysFarewellAndEnds)
{
    commandLine = QStringLiteral("com1:9600,9600,print.txt,0,mikro,11");
    form().start();
    const QString rule(59, QChar(0x2500));
    EXPECT_EQ(view.printed(),
              (QStringList{QString(), QChar(0x250C) + rule + QChar(0x2510),
                           QStringLiteral("│  Ευχαριστουμε που χρησιμοποιησατε την εφαρμογη Dravimo    │"),
                           QChar(0x2514) + rule + QChar(0x2518)}));
    for (const QString &line : view.printed().mid(1))
        EXPECT_EQ(line.size(), 61);
    EXPECT_TRUE(view.ended());
    EXPECT_EQ(view.exitCode(), 2);
    EXPECT_FALSE(view.trayIconShown());
    EXPECT_TRUE(ecr.sent.isEmpty());
}

// A one-shot run looks for the register until it answers, translates the
// named file once, deletes it and ends. Poll ticks that fall due while it
// looks must not take the same file.
TEST_F(Startup, OneShotRunTranslatesItsFileOnceAndEnds)
{
    commandLine = QStringLiteral("com1:9600 9600 job.txt 0 mikro 1101011");
    writeFile(QStringLiteral("job.txt"), "  PLU\r\n");
    ecr.results = {-4, -4, 0};
    QStringList captionsWhileLooking;
    ecr.onSend = [&](const QString &) {
        captionsWhileLooking.append(view.caption());
        form().pollTick();
    };
    form().start();
    EXPECT_EQ(ecr.commands(), QStringList(3, QStringLiteral("KXCL")));
    EXPECT_EQ(captionsWhileLooking, QStringList(3, QStringLiteral("Dravimo- Αναζήτηση")));
    EXPECT_EQ(translated, QStringList{QStringLiteral("job.txt")});
    EXPECT_FALSE(QFile::exists(QStringLiteral("job.txt")));
    EXPECT_EQ(form().connection().text, QStringLiteral("com1:9600"));
    EXPECT_EQ(view.label(InfoLabel::Connection), QStringLiteral("com1:9600"));
    EXPECT_EQ(view.status(), QStringLiteral("Φορολογικός Εκτυπωτής ON-Line, Έτοιμος Για Εκτυπωσεις"));
    EXPECT_EQ(view.caption(), QStringLiteral("Dravimo- Έτοιμο"));
    EXPECT_TRUE(view.closed());
    EXPECT_EQ(view.exitCode(), 0);
    EXPECT_FALSE(form().pollTimer().isActive());
    EXPECT_EQ(form().pollTimer().interval(), 3000);
}

TEST_F(Startup, OneShotFileThatCannotBeReadIsReportedAndKept)
{
    commandLine = QStringLiteral("com1:9600,9600,job.txt,0,mikro,1101011");
    writeFile(QStringLiteral("job.txt"), "  PLU\r\n");
    translatorAnswer = [](const QString &) { return false; };
    view.expectedBoxes = 1;
    form().start();
    ASSERT_EQ(view.boxes.size(), 1);
    EXPECT_TRUE(view.boxes.front().text.startsWith(QStringLiteral("Λάθος : 53\r")));
    EXPECT_EQ(view.boxes.front().code, mb::Critical + mb::SystemModal);
    EXPECT_TRUE(QFile::exists(QStringLiteral("job.txt")));
    EXPECT_TRUE(view.closed());
    EXPECT_EQ(view.exitCode(), 1);
}

TEST_F(Startup, ExitMenuWaitsForTheJobUnderWay)
{
    writeParamIni({QStringLiteral("[port] com1"), QStringLiteral("[multi type] true"), QStringLiteral("[file] print")});
    form().start();
    form().ecrCheckTick();
    form().startPrinting();
    writeFile(QStringLiteral("print.1"), "x\r\n");
    bool closedDuringJob = true;
    form().setTranslator([&](const QString &, const PrintJobFiles::Taken &, const TranslationOptions &) {
        form().quit();
        closedDuringJob = view.closed();
        return true;
    });
    form().pollTick();
    EXPECT_FALSE(closedDuringJob);
    EXPECT_TRUE(view.closed());
    EXPECT_EQ(view.exitCode(), 0);
    EXPECT_FALSE(view.trayIconShown());
    EXPECT_FALSE(form().pollTimer().isActive());
    EXPECT_FALSE(form().housekeepingTimer().isActive());
    EXPECT_FALSE(QFile::exists(QStringLiteral("print.1"))) << "the job finished before the end";
}

TEST_F(Startup, ExitMenuWhileIdleClosesAtOnce)
{
    writeParamIni({QStringLiteral("[port] com1"), QStringLiteral("[multi type] true")});
    form().start();
    form().quit();
    EXPECT_TRUE(view.closed());
    EXPECT_FALSE(view.trayIconShown());
    form().settingsDialogClosed();
    EXPECT_FALSE(form().ecrCheckTimer().isActive()) << "nothing starts again once the window is closing";
}

TEST(MessageBoxRoutine, PadsShortTextsAndFillsTheTitle)
{
    struct Case
    {
        QString text;
        int code;
        QString title;
        QString shownText;
        int shownCode;
        QString shownTitle;
    };
    const QString forty(40, QLatin1Char('y'));
    const Case cases[] = {
        {QStringLiteral("Λάθος"), mb::Exclamation, QString(), QStringLiteral("Λάθος") + QString(35, QLatin1Char(' ')),
         mb::Exclamation + mb::SystemModal, QStringLiteral("Dravimo4_QEB")},
        {forty, mb::Ok, QStringLiteral("T"), forty, mb::SystemModal, QStringLiteral("T")},
        {forty + QStringLiteral("z"), mb::Critical, QString(), forty + QStringLiteral("z"),
         mb::Critical + mb::SystemModal, QStringLiteral("Dravimo4_QEB")},
        {QString(), mb::Information, QStringLiteral("Μύνημα Φορολ. Εκτυπωτή"), QString(40, QLatin1Char(' ')),
         mb::Information + mb::SystemModal, QStringLiteral("Μύνημα Φορολ. Εκτυπωτή")},
    };
    for (const Case &c : cases) {
        RecordingWindow view;
        messageBox(view, c.text, c.code, c.title);
        ASSERT_EQ(view.boxes.size(), 1);
        EXPECT_EQ(view.boxes[0].text, c.shownText);
        EXPECT_EQ(view.boxes[0].code, c.shownCode);
        EXPECT_EQ(view.boxes[0].title, c.shownTitle);
    }
}

TEST(UnattendedWindow, EachBoxIsOneLineWithoutPadding)
{
    EXPECT_EQ(UnattendedWindow::boxLine(QStringLiteral("Dravimo4_QEB"),
                                        QStringLiteral("Λάθος : 53\rΔεν βρέθηκε") + QString(10, QLatin1Char(' '))),
              QStringLiteral("Dravimo4_QEB: Λάθος : 53 Δεν βρέθηκε"));
    EXPECT_EQ(UnattendedWindow::boxLine(QStringLiteral("T"), QStringLiteral("a\r\nb\nc")), QStringLiteral("T: a b c"));
    UnattendedWindow window;
    EXPECT_EQ(window.showMessage(QStringLiteral("x"), mb::YesNo + mb::Question, QStringLiteral("T")), mb::RetYes);
    EXPECT_EQ(window.showMessage(QStringLiteral("x"), mb::OkCancel, QStringLiteral("T")), mb::RetOk);
}

} // namespace
