#include "ecr/ctcpip.h"

#include <QElapsedTimer>
#include <QHostAddress>
#include <QNetworkInterface>
#include <QUdpSocket>

#include <algorithm>

namespace dravimo {
namespace {

// The largest reply the register link accepts in one read.
constexpr qint64 kMaxDatagram = 10000;

const QString kSendFailed = QStringLiteral("Λάθος κατά την αποστολή δεδομένων στην θύρα (Ethernet)");
const QString kReceiveFailed = QStringLiteral("Λάθος κατά την ανάγνωση στοιχείων απο την θύρα (Ethernet)");
const QString kAccessFailed = QStringLiteral("Λάθος κατά την προσπέλαση της θύρας (Ethernet)");

} // namespace

cTCPIP::cTCPIP() = default;

cTCPIP::~cTCPIP()
{
    ShutdownConnection();
}

qintptr cTCPIP::SocketHnd() const
{
    if (!socket_)
        return 0;
    return std::max<qintptr>(socket_->socketDescriptor(), 0);
}

bool cTCPIP::usable() const
{
    return socket_ && socket_->state() == QAbstractSocket::ConnectedState;
}

qint16 cTCPIP::OpenConnection()
{
    // A socket that exists (even one whose bind failed) is never replaced:
    // the link is opened once per run.
    if (socket_)
        return 0;
    socket_ = std::make_unique<QUdpSocket>();
    // Not shared: a second program on the same port must fail here rather
    // than steal half of the register's replies.
    if (remotePort_ < 1 || remotePort_ > 65535
        || !socket_->bind(QHostAddress::AnyIPv4, static_cast<quint16>(remotePort_), QAbstractSocket::DontShareAddress))
        return -4;
    QHostAddress peer;
    if (!peer.setAddress(remoteHost_) || peer.protocol() != QAbstractSocket::IPv4Protocol)
        return -5;
    socket_->connectToHost(peer, static_cast<quint16>(remotePort_));
    if (socket_->state() != QAbstractSocket::ConnectedState && !socket_->waitForConnected(0))
        return -6;
    return 0;
}

bool cTCPIP::IsDataAvailable()
{
    if (!usable()) {
        Result = -3;
        exResult = kAccessFailed;
        return false;
    }
    return socket_->hasPendingDatagrams();
}

QString cTCPIP::ReceiveData()
{
    if (!IsDataAvailable())
        return {};
    const qint64 size = socket_->pendingDatagramSize();
    QByteArray bytes(std::max<qint64>(size, 0), '\0');
    const qint64 got = socket_->readDatagram(bytes.data(), bytes.size());
    if (got < 0 || size > kMaxDatagram) {
        Result = -2;
        exResult = kReceiveFailed;
        return {};
    }
    bytes.truncate(got);
    return fromWire(bytes);
}

int cTCPIP::sendData(const QString &strdata)
{
    const QByteArray bytes = toWire(frameCommand(strdata));
    if (!usable() || socket_->write(bytes) != bytes.size()) {
        Result = -1;
        exResult = kSendFailed;
        return 0;
    }
    return -1;
}

bool cTCPIP::waitForData(Millis span)
{
    if (usable() && socket_->hasPendingDatagrams())
        return true;
    Clock &clock = Clock::instance();
    const int ms = clock.realMs(span);
    QElapsedTimer waited;
    waited.start();
    const bool ready = usable() && ms > 0 && socket_->waitForReadyRead(ms);
    // Without a usable socket (or on a clock that only moves when paused) the
    // wait must still take its time, or the reply loop spins.
    if (!ready && (ms == 0 || waited.elapsed() < ms / 2))
        clock.pause(span);
    return usable() && socket_->hasPendingDatagrams();
}

void cTCPIP::ShutdownConnection()
{
    if (!socket_)
        return;
    socket_->abort();
    socket_.reset();
}

QString LocalHostAddress()
{
    QList<quint32> addresses;
    for (const QHostAddress &a : QNetworkInterface::allAddresses()) {
        bool isV4 = false;
        const quint32 v4 = a.toIPv4Address(&isV4);
        if (isV4 && a.protocol() == QAbstractSocket::IPv4Protocol)
            addresses.append(v4);
    }
    std::sort(addresses.begin(), addresses.end());
    const QList<quint32> skipped = {0x7F000001u, 0x00000001u, 0x00000000u};
    for (quint32 a : addresses) {
        if (!skipped.contains(a))
            return QHostAddress(a).toString();
    }
    return {};
}

} // namespace dravimo
