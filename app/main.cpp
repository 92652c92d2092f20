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
//   DRAVIMO_GIVE_UP_AFTER=s unattended: how many seconds a register may stay
//                          missing, or an error wait stand, before the run ends
//                          with exit code 4 (default 600).
//   DRAVIMO_COMM_LOG=1     unattended: every line of the communication log goes
//                          to dravimoLog.txt (capped, one rotated file).
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
//   DRAVIMO_HTTP=ADDRESS:PORT
//                          turns the local HTTP interface on (off by default).
//   DRAVIMO_HTTP_TOKEN_FILE=path
//                          when the file exists, every HTTP request needs its
//                          token as a bearer token; an address other than
//                          loopback needs one, or the start ends (exit 1).
//   DRAVIMO_HTTP_MAX_QUEUED=n
//                          how many HTTP jobs may wait for the register
//                          before more are turned away (default 100).
// The working folder is where param.ini, vats.dat and the job files are read.

#include "api/apihandler.h"
#include "api/httpinterface.h"
#include "app/stopsignals.h"
#include "control/controller.h"
#include "control/exitcodes.h"
#include "control/printfolderwatch.h"
#include "control/programmetrics.h"
#include "control/publishinglink.h"
#include "control/statustexts.h"
#include "control/submittedjobs.h"
#include "control/unattendedwindow.h"
#include "core/clock.h"
#include "core/commlog.h"
#include "core/metricnames.h"
#include "core/metrics.h"
#include "core/numbers.h"
#include "core/progressindicator.h"
#include "core/recentjobs.h"
#include "core/resultfile.h"
#include "core/waitlimit.h"
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
#include <memory>
#include <optional>

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

// A stop asked for by a signal lets the job under way finish (its receipt
// through its payment) for this long; a card payment already on the terminal
// is waited for to the end of its card wait, since the stop only comes
// between two commands.
constexpr Millis kStopGrace{30000};

// The first SIGTERM or SIGINT stops the program once the operation under way
// has finished. Past the grace time it ends between two commands instead:
// every reply so far is in the job journal, the port is released, and the
// next start settles the job. (A second signal ends it at once.)
void stopOnSignal(Controller &controller, Exchange &exchange, MainView &view, Clock &clock, bool oneShot)
{
    static std::optional<qint64> stopSinceMs;
    static bool controllerStopped = false;
    // The signal is seen by the event loop, or first between two commands of
    // a job that does not let events run. Inside an operation the controller
    // only takes note (its end comes once the operation has finished), so no
    // other job starts; outside one the event loop ends the program.
    const auto seen = [&controller, &view, &clock](int signal, bool fromEventLoop) {
        if (!stopSinceMs) {
            stopSinceMs = clock.nowMs();
            view.notice(QStringLiteral("Διακοπή (σήμα %1): το Dravimo σταματά μόλις τελειώσει η εργασία σε εξέλιξη")
                            .arg(signal));
        }
        if (!controllerStopped && (fromEventLoop || controller.busy())) {
            controllerStopped = true;
            controller.stop(128 + signal);
        }
    };
    exchange.setBeforeCommand([&exchange, &view, &clock, seen, oneShot] {
        const int signal = stopSignalReceived();
        if (signal == 0)
            return;
        seen(signal, false);
        if (clock.nowMs() - *stopSinceMs < kStopGrace.count())
            return;
        view.notice(QStringLiteral("Διακοπή: η εργασία δεν τελείωσε σε %1 s· σταματά ανάμεσα σε δύο εντολές και "
                                   "τακτοποιείται στην επόμενη εκκίνηση")
                        .arg(kStopGrace.count() / 1000));
        exchange.close();
        // A one-shot host learns that its file is not done.
        view.endProcess(oneShot ? 128 + signal : exitcode::kNormal);
    });
    onStopSignal([seen](int signal) { seen(signal, true); });
}

// How long an unattended run lets the register keep it waiting:
// DRAVIMO_GIVE_UP_AFTER seconds, ten minutes unless set to a positive number.
Millis giveUpAfter()
{
    bool ok = false;
    const qint64 seconds = qEnvironmentVariable("DRAVIMO_GIVE_UP_AFTER").toLongLong(&ok);
    return ok && seconds > 0 && seconds < 100LL * 24 * 3600 ? Millis(seconds * 1000) : kDefaultWaitLimit;
}

// DRAVIMO_HTTP read; nothing when it is not set. A setting that cannot be
// honoured safely ends the start: exit 1, saying why.
struct HttpStart
{
    std::optional<HttpSettings> settings;
    QString why;
};

HttpStart httpSettingsFromEnvironment()
{
    const QString listen = qEnvironmentVariable("DRAVIMO_HTTP");
    if (listen.isEmpty())
        return {};
    HttpStart start;
    start.settings = readHttpSettings(listen, qEnvironmentVariable("DRAVIMO_HTTP_TOKEN_FILE"), start.why);
    return start;
}

int maxQueuedHttpJobs()
{
    bool ok = false;
    const int n = qEnvironmentVariableIntValue("DRAVIMO_HTTP_MAX_QUEUED", &ok);
    return ok && n > 0 ? n : SubmittedJobs::kDefaultMaxQueued;
}

// A job that wrote its exit code: counted, and remembered for the status page
// as its result file tells it.
void countJob(Metrics &metrics, RecentJobs &recent, Clock &clock, const QString &resultFile, int exitCode,
              qint64 tookMs)
{
    metrics.add(metric::kJobs, QString::number(exitCode));
    if (tookMs >= 0)
        metrics.observe(metric::kJobDuration, double(tookMs) / 1000.0);
    JobRecord record = jobRecordFromResultFile(resultFile);
    record.ended = clock.wallNow();
    record.exitCode = exitCode;
    recent.add(std::move(record));
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
    exchange.setLinkNotice([&view](const QString &text) { view.notice(text); });
    // What the HTTP interface shows of the program at "/metrics" and "/":
    // kept whether or not the interface is on, as cheap as a counter.
    Metrics metrics;
    declareProgramMetrics(metrics);
    RecentJobs recentJobs;
    exchange.setMetrics(&metrics);
    const HttpStart http = commandLine.isEmpty() ? httpSettingsFromEnvironment() : HttpStart{};
    if (!http.why.isEmpty()) {
        if (window)
            view.notice(QStringLiteral("dravimo: ") + http.why);
        std::fputs(("dravimo: " + http.why + QLatin1Char('\n')).toLocal8Bit().constData(), stderr);
        return exitcode::kFailure;
    }
    // Nobody watches an unattended run: a wait past the limit ends it (exit
    // 4), the job left in the journal for the restart to settle. A one-shot
    // run keeps looking for a missing register until its host ends it.
    const WaitLimit limit = window ? WaitLimit() : WaitLimit(giveUpAfter(), [&view](const QString &alert) {
        view.notice(alert);
        view.endProcess(exitcode::kEcrNotFound);
    });
    if (commandLine.isEmpty())
        exchange.setMissingLimit(&limit);
    // Jobs a host hands over through the HTTP interface (saved in "http/"
    // beside param.ini), and what the job side publishes for it: every
    // command's outcome on the way past.
    SubmittedJobs submitted(QStringLiteral("http"), maxQueuedHttpJobs());
    PublishingLink link(exchange, submitted, clock, numbers);
    link.setMetrics(&metrics);
    EcrSession ecr{link, view, clock, results, numbers, &limit};
    ProgressIndicator progress(view);
    Controller controller(view, clock, link, progress, commandLine);
    controller.setEndWhenEcrGivenUp(window == nullptr);
    controller.setMetrics(&metrics);
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
    translator.jobEnded = [&metrics, &recentJobs, &clock](const QString &resultFile, int exitCode, qint64 tookMs) {
        countJob(metrics, recentJobs, clock, resultFile, exitCode, tookMs);
    };
    translator.putAside = [&metrics] { metrics.add(metric::kQuarantines); };
    bool sizeSet = false;
    const qint64 maxSize = qEnvironmentVariable("DRAVIMO_MAX_PRINT_FILE").toLongLong(&sizeSet);
    if (sizeSet && maxSize >= 0)
        translator.files().setMaxSize(maxSize);
    controller.setTranslator(
        [&translator](const QString &path, const PrintJobFiles::Taken &taken, const TranslationOptions &options) {
            return translator.translate(path, taken, options);
        });
    controller.setJobFiles(translator.files());
    if (journalOn) {
        controller.setJournal(journal, [&translator](const JournalEntry &entry, const TranslationOptions &options,
                                                     bool afterRestart) {
            return translator.recover(entry, options, afterRestart);
        });
    }
    stopOnSignal(controller, exchange, view, clock, !commandLine.isEmpty());
    // The local HTTP interface: its jobs run by the controller with the
    // print folder's; the server on its own thread answers from what is
    // published in `submitted`.
    std::optional<ApiHandler> api;
    std::optional<HttpInterface> server;
    QTimer publishTimer;
    if (http.settings) {
        submitted.setQuarantineFolder(translator.quarantineFolder);
        submitted.load(clock.wallNow().toMSecsSinceEpoch());
        controller.setSubmittedJobs(&submitted);
        translator.jobKey = [&submitted](const QString &path) { return submitted.keyOf(path); };
        submitted.setAccepted([&controller] {
            QMetaObject::invokeMethod(
                QCoreApplication::instance(),
                [&controller] {
                    if (!controller.busy() && controller.pollTimer().isActive())
                        controller.pollTick();
                },
                Qt::QueuedConnection);
        });
        publishTimer.setInterval(clock.realMs(Millis(200)));
        QObject::connect(&publishTimer, &QTimer::timeout, [&submitted, &controller, &progress] {
            const bool printing = controller.pollTimer().isActive();
            submitted.publish([printing](RegisterSnapshot &s) { s.printing = printing; });
            if (controller.busy())
                submitted.atLine(progress.value());
        });
        publishTimer.start();
        api.emplace(submitted, clock, *http.settings);
        api->setWatched(&metrics, &recentJobs);
        server.emplace(*api, clock, *http.settings);
        QString why;
        if (!server->start(why)) {
            std::fputs(("dravimo: " + why + QLatin1Char('\n')).toLocal8Bit().constData(), stderr);
            return exitcode::kFailure;
        }
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
        // Without a window the log has no tick box: the environment keeps it.
        log.keepToFile(qEnvironmentVariable("DRAVIMO_COMM_LOG") == QLatin1String("1"));
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
