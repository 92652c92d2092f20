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

class cCom : public Transport
{
public:
    cCom();
    ~cCom() override;

    // The open device's handle; 0 while the port is not open. Kept after a
    // shutdown, as the link-state record reads it.
    qint32 ComHndle = 0;

    // Port is the connection text "device:baud". Reports through Result and
    // exResult: -1 the device cannot be opened, -2 the line settings (baud,
    // no parity, 8 data bits, 1 stop bit) cannot be applied.
    void OpenConnection(const QString &Port);

    // One read of at most 255 bytes: returns 20 ms after the last byte once
    // bytes have come, and after 256 ms in any case (1 ms per byte asked for
    // plus 1 ms, the register's serial time-outs).
    QString ReceiveData() override;
    // Bytes written, or 0 when the command went out in 255-byte pieces or the
    // write failed.
    int sendData(const QString &COMString) override;
    // Always true: the waiting is done by the read time-outs.
    bool IsDataAvailable() override { return true; }
    void ShutdownConnection() override;

private:
    bool writePiece(const QByteArray &bytes);

    std::unique_ptr<QSerialPort> port_;
};

} // namespace dravimo
