#pragma once
// The network link to a register on the local network. Despite the name it is
// a datagram link: one UDP socket bound to the register's port number on every
// local interface, with the register's address and port fixed as its peer, so
// only the register's datagrams are read. Each command is one datagram, each
// read takes one datagram.

#include "ecr/transport.h"

#include <QString>

#include <memory>

class QUdpSocket;

namespace dravimo {

class cTCPIP : public Transport
{
public:
    cTCPIP();
    ~cTCPIP() override;

    // 0 when the link is open (or was already), else -1 sockets layer, -2
    // socket, -4 bind (port in use, or not a port number), -5 the address is
    // not a dotted IPv4 address, -6 the peer cannot be fixed.
    qint16 OpenConnection();

    // One datagram as text, or empty. A datagram above 10000 bytes is refused
    // (Result -2) and dropped.
    QString ReceiveData() override;
    // -1 (true) when the datagram went out; 0 (false) with Result -1.
    int sendData(const QString &strdata) override;
    bool IsDataAvailable() override;
    void ShutdownConnection() override;
    bool waitForData(Millis span) override;

    // The socket's descriptor while it is bound; 0 otherwise.
    qintptr SocketHnd() const;
    // The register's port, also used as the local port (1 to 65535).
    void RemotePort(qint32 lngRemotePort) { remotePort_ = lngRemotePort; }
    void RemoteHostIP(const QString &strRemoteIP) { remoteHost_ = strRemoteIP; }
    // Kept for the record only: the socket binds to every interface.
    void LocalHostIP(const QString &strLocalHostIP) { localHost_ = strLocalHostIP; }
    QString localHostIP() const { return localHost_; }
    QString ErrorDescription() const { return {}; }
    qint32 ErrorCode() const { return 0; }

private:
    bool usable() const;

    std::unique_ptr<QUdpSocket> socket_;
    qint32 remotePort_ = 0;
    QString remoteHost_;
    QString localHost_;
};

// This machine's own IPv4 address for the record of the network link: the
// lowest one that is not a loop-back or unconfigured address; empty if none.
QString LocalHostAddress();

} // namespace dravimo
