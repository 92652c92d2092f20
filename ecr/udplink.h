#pragma once
// The network link to a register on the local network: one UDP socket bound
// to the register's port number on every local interface, with the register's
// address and port fixed as its peer, so only the register's datagrams are
// read. Each command is one datagram, each read takes one datagram.

#include "ecr/transport.h"

#include <QString>

#include <memory>

class QUdpSocket;

namespace dravimo {

class UdpLink : public Transport
{
public:
    // The register's IPv4 address, and its port, which is also the local port.
    UdpLink(Clock &clock, QString remoteHost, qint32 remotePort);
    ~UdpLink() override;

    // 0 when the link is open (or was already), else -4 bind (port in use,
    // or not a port number from 1 to 65535), -5 the address is not a dotted
    // IPv4 address, -6 the peer cannot be fixed. The socket is made once:
    // after a failed open the link stays unusable for the rest of the run.
    qint16 open();
    // True while the socket is bound and has its peer.
    bool isUsable() const;

    // One datagram as text, or empty. A datagram above 10000 bytes is dropped.
    QString receive() override;
    std::optional<LinkFailure> send(const QString &command) override;
    bool waitForData(Millis span) override;
    // Every datagram already waiting, joined.
    QString drain() override;
    void close() override;

private:
    Clock &clock_;
    QString remoteHost_;
    qint32 remotePort_;
    std::unique_ptr<QUdpSocket> socket_;
};

} // namespace dravimo
