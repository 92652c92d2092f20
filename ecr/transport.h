#pragma once
// The one road to the register: every byte the program sends or receives goes
// through an object with this contract, a serial port (cCom), a UDP link
// (cTCPIP) or, in tests, an in-memory register line (MemoryTransport). The
// exchange holds one of them in its transport slot and knows nothing else.

#include "core/clock.h"

#include <QByteArray>
#include <QString>
#include <QtGlobal>

namespace dravimo {

class Transport
{
public:
    virtual ~Transport() = default;

    // Status of the link, 0 when good. The transport sets it on a failure; the
    // exchange overwrites it with the outcome of every command.
    qint16 Result = 0;
    // The text belonging to Result: a failure message, or (written by the
    // exchange) the reply or error code of the last command.
    QString exResult;

    // Whatever has arrived, one character per byte; empty when nothing came.
    virtual QString ReceiveData() = 0;
    // Writes one command, terminator added by frameCommand(). The serial port
    // returns the bytes written (0 for a command written in pieces), the UDP
    // link -1 (true) or 0 (false). Nobody relies on the value.
    virtual int sendData(const QString &command) = 0;
    virtual bool IsDataAvailable() = 0;
    virtual void ShutdownConnection() = 0;

    // Blocks until a read would find data or `span` of program time has gone.
    // The serial port's reads carry their own time-outs, so it returns at once;
    // the UDP link's reads do not wait at all, and without this the reply loop
    // would spin a CPU core for the whole answer window.
    virtual bool waitForData(Millis span)
    {
        Q_UNUSED(span);
        return true;
    }
};

// The line terminator rule of the register: a command longer than two
// characters that does not already end in CR LF gets CR LF. One or two
// characters go out bare (single keys); a trailing lone CR is kept and CR LF
// still follows it.
QString frameCommand(const QString &command);

// Text to wire bytes and back, one byte per character (Windows-1253).
QByteArray toWire(const QString &text);
QString fromWire(const QByteArray &bytes);

} // namespace dravimo
