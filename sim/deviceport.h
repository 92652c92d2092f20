#pragma once
// An existing serial device (a real port wired to the program's port with a
// null-modem cable, or one end of a virtual port pair): the way to run the
// simulator where there are no pseudo-terminals.

#include "sim/chunkwriter.h"

#include <QObject>
#include <QSerialPort>

namespace dravimo::sim {

class EcrSimulator;

class DevicePort : public QObject
{
    Q_OBJECT

public:
    explicit DevicePort(EcrSimulator &sim, QObject *parent = nullptr);

    // "COM3:9600" or "/dev/ttyUSB0" (9600 baud when no rate is given).
    bool open(const QString &device, QString *error);

private:
    void readDevice();

    EcrSimulator &sim_;
    QSerialPort port_;
    ChunkWriter writer_;
};

} // namespace dravimo::sim
