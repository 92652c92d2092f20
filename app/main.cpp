// Dravimo: the link between a point-of-sale host and a Greek fiscal register.
//
// The command line is the program's arguments joined by single spaces; a
// non-empty one is the one-shot form (six comma- or space-separated fields),
// so nothing else may be taken from it. Everything else comes from the
// environment:
//   DRAVIMO_UNATTENDED=1   no window at all (no display needed): message boxes
//                          become lines on standard error, answered with their
//                          default button, and so do the status line and the
//                          caption; a register that never answers the search
//                          ends the run (exit code 4, control/exitcodes.h).
//   DRAVIMO_TIME_SCALE=f   runs every pause, time-out and timer f times faster
//                          (tests only: f=50 turns the 7-second answer window
//                          into 140 ms).
//   DRAVIMO_JOURNAL=off    runs without the job journal (measurements only).
//   DRAVIMO_CRASH_AT=p[:n] ends the process as a kill would at the named point
//                          p, the n-th time it is reached (tests only):
//                          before-send, after-reply, recovery-start,
//                          recovery-before-cancel, recovery-after-cancel,
//                          recovery-settled.
//   DRAVIMO_JOURNAL_FAIL_AT=write:n
//                          the n-th write to the journal folder and every
//                          later one fail, as on a full disk (tests only).
//   DRAVIMO_MAX_PRINT_FILE=bytes
//                          a larger print file is not read but put aside
//                          (default 1 MB; 0: no limit).
//   DRAVIMO_NO_WATCH=1     print files are found by the one-second poll alone,
//                          not at once when handed over (for measuring).
// The working folder is where param.ini, vats.dat and the job files are read.

#include "control/controller.h"
#include "control/printfolderwatch.h"
#include "control/statustexts.h"
#include "control/unattendedwindow.h"
#include "core/clock.h"
#include "core/commlog.h"
#include "core/numbers.h"
#include "core/progressindicator.h"
#include "core/resultfile.h"
#include "ecr/exchange.h"
#include "ecr/notices.h"
#include "ecr/session.h"
#include "ecr/transports.h"
#include "gui/appicon.h"
#include "gui/mainwindow.h"
#include "gui/paymenttypesdialog.h"
#include "journal/jobjournal.h"
#include "payments/cardpayment.h"
#include "payments/payeft.h"
#include "settings/vats.h"
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

// The clock of the whole run: real time, or faster for tests.
double timeScale()
{
    bool ok = false;
    const double factor = qEnvironmentVariable("DRAVIMO_TIME_SCALE").toDouble(&ok);
    return ok && factor > 0 ? factor : 1.0;
}

// Everything there is one of per process, built once and handed down: the
// register link and what it reports through, the result file of the current
// job, the progress indicator, and the controller.
int run(MainView &view, MainWindow *window, Clock &clock, CommLog &log, const QString &commandLine)
{
    ResultFile results;
    results.setFailureReport([&view](const QString &path, const QString &line, const QString &why) {
        view.notice(texts::kUnwritableResultFile + path + QStringLiteral(": ") + why + QStringLiteral(": ") + line);
    });
    ExchangeNotices notices(view);
    const NumberFormat numbers = NumberFormat::system();
    Exchange exchange(clock, notices, log, results, numbers,
                      [&clock](const QString &connection) { return openTransport(connection, clock); });
    exchange.setReplyObserver(cardAcknowledgementWriter(results));
    EcrSession ecr{exchange, view, clock, results, numbers};
    ProgressIndicator progress(view);
    Controller controller(view, clock, exchange, progress, commandLine);
    controller.setEndWhenEcrGivenUp(window == nullptr);
    // The job journal lives beside param.ini; DRAVIMO_JOURNAL=off runs
    // without one (for measuring what it costs).
    JobJournal journal(QStringLiteral("journal"), CrashPoints(qEnvironmentVariable("DRAVIMO_CRASH_AT")),
                       WriteFaults(qEnvironmentVariable("DRAVIMO_JOURNAL_FAIL_AT")));
    // A print file names its result file: never one of ours.
    results.setProtected({kSettingsFile, kVatFile, kPaymentFile, log.filePath()},
                         {journal.folder(), QStringLiteral("quarantine")});
    const bool journalOn = qEnvironmentVariable("DRAVIMO_JOURNAL") != QLatin1String("off");
    // Without the journal nothing can settle a command whose reply was lost:
    // such a command is sent again on silence, and may be keyed twice.
    if (!journalOn)
        view.notice(QStringLiteral("DRAVIMO_JOURNAL=off: χωρίς ημερολόγιο εργασιών, μια διακοπή ή μια χαμένη "
                                   "απάντηση της ταμειακής μπορεί να περάσει είδος δύο φορές"));
    Translator translator(ecr, progress, journalOn ? &journal : nullptr);
    translator.zReport = [&controller](EcrLink &link) { controller.zReportFromJob(link); };
    translator.notice = [&view](const QString &text) { view.notice(text); };
    translator.jobRefused = [&controller] { controller.jobRefused(); };
    bool limitSet = false;
    const qint64 limit = qEnvironmentVariable("DRAVIMO_MAX_PRINT_FILE").toLongLong(&limitSet);
    if (limitSet && limit >= 0)
        translator.maxPrintFileSize = limit;
    controller.setTranslator([&translator](const QString &path, const TranslationOptions &options) {
        return translator.translate(path, options);
    });
    if (journalOn) {
        controller.setJournal(journal, [&translator](const JournalEntry &entry, const TranslationOptions &options,
                                                     bool afterRestart) {
            return translator.recover(entry, options, afterRestart);
        });
    }
    PrintFolderWatch watch(clock, log);
    if (qEnvironmentVariable("DRAVIMO_NO_WATCH") != QLatin1String("1"))
        controller.setPrintFolderWatch(&watch);
    if (window) {
        window->attach(controller);
        window->setCardSettingsDialog(paymentTypesDialogOpener(window, *window));
    }
    // start() runs inside the event loop, so that closing the window (the
    // end of a one-shot run) ends the loop it is in.
    QTimer::singleShot(0, [&controller] { controller.start(); });
    const int exitCode = QCoreApplication::exec();
    controller.terminate();
    return exitCode;
}

} // namespace

int main(int argc, char **argv)
{
    const QString commandLine = joinedCommandLine(argc, argv);
    ScaledClock clock(timeScale());
    if (unattended()) {
        QCoreApplication app(argc, argv);
        CommLog log;
        UnattendedWindow view;
        return run(view, nullptr, clock, log, commandLine);
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
    CommLog log;
    MainWindow view(clock, log);
    return run(view, &view, clock, log, commandLine);
}
