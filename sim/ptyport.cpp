#include "sim/ptyport.h"

#include "sim/simulator.h"

#include <QSocketNotifier>

#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <fcntl.h>
#include <termios.h>
#include <unistd.h>

namespace dravimo::sim {

PtyPort::PtyPort(EcrSimulator &sim, QObject *parent) : QObject(parent), sim_(sim), writer_(sim.clock())
{
    connect(&sim_, &EcrSimulator::asyncOutput, this, [this](const QByteArray &bytes) {
        writer_.enqueue({Chunk{0, bytes}}, [this](const QByteArray &b) { write(b); });
    });
}

PtyPort::~PtyPort()
{
    if (slave_ >= 0)
        ::close(slave_);
    if (master_ >= 0)
        ::close(master_);
}

bool PtyPort::open(QString *error)
{
    const auto failed = [error](const char *step) {
        if (error)
            *error = QStringLiteral("%1: %2").arg(QLatin1String(step), QString::fromLocal8Bit(std::strerror(errno)));
        return false;
    };
    master_ = ::posix_openpt(O_RDWR | O_NOCTTY);
    if (master_ < 0)
        return failed("posix_openpt");
    if (::grantpt(master_) != 0 || ::unlockpt(master_) != 0)
        return failed("grantpt/unlockpt");
    const char *name = ::ptsname(master_);
    if (!name)
        return failed("ptsname");
    path_ = QString::fromLocal8Bit(name);
    // Our own handle on the slave: without it the master reads EIO (hang-up)
    // each time the program closes the port, and its settings would be lost.
    slave_ = ::open(name, O_RDWR | O_NOCTTY);
    if (slave_ < 0)
        return failed("open slave");
    termios raw{};
    if (::tcgetattr(slave_, &raw) != 0)
        return failed("tcgetattr");
    // A serial line carries bytes as they are: no echo, no line editing, no
    // CR/LF translation.
    ::cfmakeraw(&raw);
    if (::tcsetattr(slave_, TCSANOW, &raw) != 0)
        return failed("tcsetattr");
    ::fcntl(master_, F_SETFL, ::fcntl(master_, F_GETFL) | O_NONBLOCK);
    notifier_ = new QSocketNotifier(master_, QSocketNotifier::Read, this);
    connect(notifier_, &QSocketNotifier::activated, this, &PtyPort::readMaster);
    return true;
}

void PtyPort::readMaster()
{
    char buffer[4096];
    for (;;) {
        const ssize_t n = ::read(master_, buffer, sizeof buffer);
        if (n <= 0)
            return;
        const QList<Chunk> chunks = sim_.feed(QByteArray(buffer, int(n)));
        writer_.enqueue(chunks, [this](const QByteArray &b) { write(b); });
    }
}

void PtyPort::write(const QByteArray &bytes)
{
    qsizetype done = 0;
    while (done < bytes.size()) {
        const ssize_t n = ::write(master_, bytes.constData() + done, size_t(bytes.size() - done));
        if (n < 0 && errno == EINTR)
            continue;
        // A full line buffer means nobody has read for kilobytes; the rest
        // is lost as it would be on a real line.
        if (n <= 0)
            return;
        done += n;
    }
}

} // namespace dravimo::sim
