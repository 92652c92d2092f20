#include "ecr/udplink.h"

#include "ecr/link.h"
#include "ecr/protocol.h"

#include <QElapsedTimer>
#include <QHostAddress>
#include <QUdpSocket>

#include <algorithm>

namespace dravimo {
namespace {

// The largest reply the register link accepts in one read.
constexpr qint64 kMaxDatagram = 10000;
// A peer that keeps sending cannot hold a drain for longer than this many
// datagrams.
constexpr int kDrainDatagrams = 64;

const QString kSendFailed = QStringLiteral("Λάθος κατά την αποστολή δεδομένων στην θύρα (Ethernet)");

} // namespace

UdpLink::UdpLink(Clock &clock, QString remoteHost, qint32 remotePort)
    : clock_(clock), remoteHost_(std::move(remoteHost)), remotePort_(remotePort)
{}

UdpLink::~UdpLink()
{
    close();
}

bool UdpLink::isUsable() const
{
    return socket_ && socket_->state() == QAbstractSocket::ConnectedState;
}

qint16 UdpLink::open()
{
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

QString UdpLink::receive()
{
    if (!isUsable() || !socket_->hasPendingDatagrams())
        return {};
    const qint64 size = socket_->pendingDatagramSize();
    QByteArray bytes(std::max<qint64>(size, 0), '\0');
    const qint64 got = socket_->readDatagram(bytes.data(), bytes.size());
    if (got < 0 || size > kMaxDatagram)
        return {};
    bytes.truncate(got);
    return fromWire(bytes);
}

std::optional<LinkFailure> UdpLink::send(const QString &command)
{
    const QByteArray bytes = toWire(frameCommand(command));
    if (!isUsable() || socket_->write(bytes) != bytes.size())
        return LinkFailure{result::PortFailed, kSendFailed};
    return std::nullopt;
}

bool UdpLink::waitForData(Millis span)
{
    if (isUsable() && socket_->hasPendingDatagrams())
        return true;
    const int ms = clock_.realMs(span);
    QElapsedTimer waited;
    waited.start();
    const bool ready = isUsable() && ms > 0 && socket_->waitForReadyRead(ms);
    // Without a usable socket (or on a clock that only moves when paused) the
    // wait must still take its time, or the reply loop spins.
    if (!ready && (ms == 0 || waited.elapsed() < ms / 2))
        clock_.pause(span);
    return isUsable() && socket_->hasPendingDatagrams();
}

QString UdpLink::drain()
{
    QString got;
    for (int n = 0; n < kDrainDatagrams && isUsable() && socket_->hasPendingDatagrams(); ++n)
        got += receive();
    return got;
}

void UdpLink::close()
{
    if (!socket_)
        return;
    socket_->abort();
    socket_.reset();
}

} // namespace dravimo
