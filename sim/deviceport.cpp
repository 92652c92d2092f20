#include "sim/deviceport.h"

#include "sim/simulator.h"

namespace dravimo::sim {

DevicePort::DevicePort(EcrSimulator &sim, QObject *parent) : QObject(parent), sim_(sim), writer_(sim.clock())
{
    connect(&port_, &QSerialPort::readyRead, this, &DevicePort::readDevice);
    connect(&sim_, &EcrSimulator::asyncOutput, this, [this](const QByteArray &bytes) {
        writer_.enqueue({Chunk{0, bytes}}, [this](const QByteArray &b) { port_.write(b); });
    });
}

bool DevicePort::open(const QString &device, QString *error)
{
    // A Windows device name has no colon of its own, a POSIX path neither.
    const qsizetype colon = device.lastIndexOf(QLatin1Char(':'));
    bool ok = true;
    const int baud = colon > 0 ? device.mid(colon + 1).toInt(&ok) : 9600;
    port_.setPortName(colon > 0 ? device.left(colon) : device);
    if (!ok || baud <= 0 || !port_.setBaudRate(baud) || !port_.open(QIODevice::ReadWrite)) {
        if (error)
            *error = ok && baud > 0 ? port_.errorString() : QStringLiteral("bad baud rate in %1").arg(device);
        return false;
    }
    port_.setBaudRate(baud);
    port_.setDataBits(QSerialPort::Data8);
    port_.setParity(QSerialPort::NoParity);
    port_.setStopBits(QSerialPort::OneStop);
    return true;
}

void DevicePort::readDevice()
{
    const QList<Chunk> chunks = sim_.feed(port_.readAll());
    writer_.enqueue(chunks, [this](const QByteArray &b) { port_.write(b); });
}

} // namespace dravimo::sim
