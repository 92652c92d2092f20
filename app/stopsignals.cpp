#include "app/stopsignals.h"

#include <QtGlobal>

#ifdef Q_OS_UNIX
#define DRAVIMO_POSIX_SIGNALS 1
#endif

#ifdef DRAVIMO_POSIX_SIGNALS
#include <QCoreApplication>
#include <QSocketNotifier>

#include <csignal>
#include <cstdlib>
#include <sys/socket.h>
#include <unistd.h>
#endif

namespace dravimo {

#ifdef DRAVIMO_POSIX_SIGNALS
namespace {

// A signal handler may do almost nothing: it writes the signal's number into
// a socket whose other end the event loop watches.
int wakeUp[2] = {-1, -1};
volatile std::sig_atomic_t firstSignal = 0;

void handleSignal(int number)
{
    if (firstSignal != 0)
        _exit(128 + number);
    firstSignal = number;
    const char byte = static_cast<char>(number);
    [[maybe_unused]] const auto written = ::write(wakeUp[0], &byte, 1);
}

} // namespace

void onStopSignal(std::function<void(int signalNumber)> stop)
{
    if (wakeUp[0] >= 0 || ::socketpair(AF_UNIX, SOCK_STREAM, 0, wakeUp) != 0)
        return;
    auto *notifier = new QSocketNotifier(wakeUp[1], QSocketNotifier::Read, QCoreApplication::instance());
    QObject::connect(notifier, &QSocketNotifier::activated, notifier, [stop = std::move(stop), notifier] {
        char byte = 0;
        if (::read(wakeUp[1], &byte, 1) != 1)
            return;
        notifier->setEnabled(false);
        stop(static_cast<unsigned char>(byte));
    });
    struct sigaction action = {};
    action.sa_handler = handleSignal;
    sigemptyset(&action.sa_mask);
    action.sa_flags = SA_RESTART;
    sigaction(SIGTERM, &action, nullptr);
    sigaction(SIGINT, &action, nullptr);
}

int stopSignalReceived()
{
    return firstSignal;
}
#else
void onStopSignal(std::function<void(int signalNumber)>)
{}

int stopSignalReceived()
{
    return 0;
}
#endif

} // namespace dravimo
