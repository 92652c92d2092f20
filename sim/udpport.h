#pragma once
// The network line: one command per datagram, each reply sent to the address
// and port the command came from. A card outcome goes to whoever sent the
// last command.

#include "sim/chunkwriter.h"

#include <QHostAddress>
#include <QObject>
#include <QUdpSocket>

namespace dravimo::sim {

class EcrSimulator;

class UdpPort : public QObject
{
    Q_OBJECT

public:
    explicit UdpPort(EcrSimulator &sim, QObject *parent = nullptr);

    bool open(const QHostAddress &address, quint16 port, QString *error);
    QHostAddress address() const { return socket_.localAddress(); }
    quint16 port() const { return socket_.localPort(); }

private:
    void readPending();
    void sendTo(const QHostAddress &peer, quint16 port, const QByteArray &bytes);

    EcrSimulator &sim_;
    QUdpSocket socket_;
    ChunkWriter writer_;
    QHostAddress lastPeer_;
    quint16 lastPort_ = 0;
};

// "127.0.0.1:4001" -> address and port; false when either part is bad.
bool parseHostPort(const QString &text, QHostAddress &address, quint16 &port);

} // namespace dravimo::sim
