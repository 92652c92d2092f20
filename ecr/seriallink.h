#pragma once
// The serial link to the register, used synchronously: every read and write
// blocks for at most its device time-out, the way the register's serial
// protocol was designed to be driven.

#include "ecr/transport.h"

#include <QString>

#include <memory>

class QSerialPort;

namespace dravimo {

// Maps a port name of the settings to a device. "comN" is the device COMN on
// Windows; elsewhere it is the device named by the environment variable
// DRAVIMO_COMN (for example DRAVIMO_COM1=/dev/ttyUSB0), else /dev/ttyS<N-1>.
// Any other name is taken as a device path as it stands.
QString serialDeviceName(const QString &port);

class SerialLink : public Transport
{
public:
    explicit SerialLink(Clock &clock);
    ~SerialLink() override;

    // connection is the text "device:baud". Failures: result::PortFailed
    // the device cannot be opened, result::PortSetupFailed the line settings
    // (baud, no parity, 8 data bits, 1 stop bit) cannot be applied.
    std::optional<LinkFailure> open(const QString &connection);
    bool isOpen() const;

    // One read of at most 255 bytes: returns 20 ms after the last byte once
    // bytes have come, and after 256 ms in any case (1 ms per byte asked for
    // plus 1 ms, the register's serial time-outs).
    QString receive() override;
    // Written in 255-byte pieces when longer; a failed write is not reported
    // here, the reply wait sees silence.
    std::optional<LinkFailure> send(const QString &command) override;
    QString drain() override;
    void close() override;

private:
    bool writePiece(const QByteArray &bytes);

    Clock &clock_;
    std::unique_ptr<QSerialPort> port_;
};

} // namespace dravimo
