#include "sim/udpport.h"

#include "sim/simulator.h"

#include <QNetworkDatagram>

namespace dravimo::sim {

UdpPort::UdpPort(EcrSimulator &sim, QObject *parent) : QObject(parent), sim_(sim), writer_(sim.clock())
{
    connect(&socket_, &QUdpSocket::readyRead, this, &UdpPort::readPending);
    connect(&sim_, &EcrSimulator::asyncOutput, this, [this](const QByteArray &bytes) {
        if (lastPort_ == 0)
            return;
        const QHostAddress peer = lastPeer_;
        const quint16 port = lastPort_;
        writer_.enqueue({Chunk{0, bytes}}, [this, peer, port](const QByteArray &b) { sendTo(peer, port, b); });
    });
}

bool UdpPort::open(const QHostAddress &address, quint16 port, QString *error)
{
    if (socket_.bind(address, port))
        return true;
    if (error)
        *error = socket_.errorString();
    return false;
}

void UdpPort::readPending()
{
    while (socket_.hasPendingDatagrams()) {
        const QNetworkDatagram datagram = socket_.receiveDatagram();
        if (!datagram.isValid())
            continue;
        const QHostAddress peer = datagram.senderAddress();
        const quint16 port = quint16(datagram.senderPort());
        lastPeer_ = peer;
        lastPort_ = port;
        const QList<Chunk> chunks = sim_.feedDatagram(datagram.data());
        writer_.enqueue(chunks, [this, peer, port](const QByteArray &b) { sendTo(peer, port, b); });
    }
}

void UdpPort::sendTo(const QHostAddress &peer, quint16 port, const QByteArray &bytes)
{
    socket_.writeDatagram(bytes, peer, port);
}

bool parseHostPort(const QString &text, QHostAddress &address, quint16 &port)
{
    const qsizetype colon = text.lastIndexOf(QLatin1Char(':'));
    if (colon <= 0)
        return false;
    bool ok = false;
    const uint value = text.mid(colon + 1).toUInt(&ok);
    if (!ok || value > 65535 || !address.setAddress(text.left(colon)))
        return false;
    port = quint16(value);
    return true;
}

} // namespace dravimo::sim
