// Dravimo: the link between a point-of-sale host and a Greek fiscal register.
//
// The command line is the program's arguments joined by single spaces; a
// non-empty one is the one-shot form (six comma- or space-separated fields),
// so nothing else may be taken from it. Everything else comes from the
// environment:
//   DRAVIMO_UNATTENDED=1   no window at all (no display needed): message boxes
//                          become lines on standard error, answered with their
//                          default button.
//   DRAVIMO_TIME_SCALE=f   runs every pause, time-out and timer f times faster
//                          (tests only: f=50 turns the 7-second answer window
//                          into 140 ms).
// The working folder is where param.ini, vats.dat and the job files are read.

#include "core/clock.h"
#include "control/mainform.h"
#include "core/shared.h"
#include "control/unattendedwindow.h"
#include "gui/appicon.h"
#include "gui/mainwindow.h"
#include "ecr/fiscaltec.h"
#include "payments/cardpayment.h"
#include "gui/frmeft.h"
#include "translate/translator.h"

#include <QApplication>
#include <QCoreApplication>
#include <QStringList>
#include <QTimer>

#include <cstdio>

namespace {

using namespace dravimo;

// Taken before Qt sees the arguments: QApplication removes the ones it
// recognises as its own, and a host's command line must arrive whole.
QString joinedCommandLine(int argc, char **argv)
{
    QStringList parts;
    for (int i = 1; i < argc; ++i)
        parts.append(QString::fromLocal8Bit(argv[i]));
    return parts.join(QLatin1Char(' '));
}

bool unattended()
{
    return qEnvironmentVariable("DRAVIMO_UNATTENDED") == QLatin1String("1");
}

// Platform-specific: on X11/Wayland systems a missing display would make Qt
// abort with a message about platform plugins; say what to do instead.
bool displayMissing()
{
#if defined(Q_OS_UNIX) && !defined(Q_OS_MACOS)
    return qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM") && qEnvironmentVariableIsEmpty("DISPLAY")
        && qEnvironmentVariableIsEmpty("WAYLAND_DISPLAY");
#else
    return false;
#endif
}

void installTimeScale()
{
    bool ok = false;
    const double factor = qEnvironmentVariable("DRAVIMO_TIME_SCALE").toDouble(&ok);
    if (ok && factor > 0)
        Clock::install(std::make_unique<ScaledClock>(factor));
}

// One print file through the translator, with the main window's Z report for
// "MKZ" lines and the card-payment notice at the end of a job that needs it.
MainForm::TranslateFn jobTranslator(MainForm &form)
{
    return [&form](const QString &path, const Settings &s) {
        Translator translator(fiscalTec());
        translator.zReport = [&form] { form.zReportFromJob(); };
        translator.cardFailureNotice = [] { CardPayment(fiscalTec()).FailureNotice(); };
        QString FILENAME;
        return translator.getdata(path, s.descpr, s.CODEPR, FILENAME, s.comment, s.DLAY, s.curr, s.keyboff, s.ecrt,
                                  s.ddep, s.qua);
    };
}

int run(MainView &view, MainWindow *window, const QString &commandLine)
{
    setWindow(&view);
    shared().commandLine = commandLine;
    MainForm form(view);
    if (window) {
        window->attach(form);
        window->setCardSettingsDialog(CardSettingsOpener(window));
    }
    form.setTranslator(jobTranslator(form));
    InstallCardReplyCheck(fiscalTec());
    // Form_Load runs inside the event loop, so that closing the window (the
    // end of a one-shot run) ends the loop it is in.
    QTimer::singleShot(0, [&form] { form.Form_Load(); });
    const int exitCode = QCoreApplication::exec();
    form.Form_Terminate();
    setWindow(nullptr);
    return exitCode;
}

} // namespace

int main(int argc, char **argv)
{
    const QString commandLine = joinedCommandLine(argc, argv);
    installTimeScale();
    if (unattended()) {
        QCoreApplication app(argc, argv);
        UnattendedWindow view;
        return run(view, nullptr, commandLine);
    }
    if (displayMissing()) {
        const QString text = QStringLiteral("dravimo: δεν υπάρχει οθόνη· με DRAVIMO_UNATTENDED=1 "
                                            "λειτουργεί χωρίς παράθυρο\n");
        std::fputs(text.toLocal8Bit().constData(), stderr);
        return 1;
    }
    QApplication app(argc, argv);
    // The program ends when its main window closes, not when the last
    // visible window does: hidden in the notification area it has none.
    QApplication::setQuitOnLastWindowClosed(false);
    QApplication::setWindowIcon(programIcon());
    MainWindow view;
    return run(view, &view, commandLine);
}
