#pragma once
// The one road to the register: every byte the program sends or receives goes
// through an object with this contract, a serial port (SerialLink), a UDP link
// (UdpLink) or, in tests, an in-memory register line. The exchange holds one
// of them and knows nothing else.

#include "core/clock.h"

#include <QString>
#include <QtGlobal>

#include <optional>

namespace dravimo {

// A link failure as the caller of a command sees it.
struct LinkFailure
{
    qint16 code = 0;
    QString text;
};

class Transport
{
public:
    virtual ~Transport() = default;

    // Whatever has arrived, one character per byte; empty when nothing came.
    virtual QString receive() = 0;
    // Writes one command, terminator added by frameCommand(). Only the UDP
    // link reports a failure here (a datagram that could not be sent); a
    // serial write that fails shows as silence in the reply wait.
    virtual std::optional<LinkFailure> send(const QString &command) = 0;
    // Blocks until a read would find data or `span` of program time has gone.
    // The serial port's reads carry their own time-outs, so it returns at once;
    // the UDP link's reads do not wait at all, and without this the reply loop
    // would spin a CPU core for the whole answer window.
    virtual bool waitForData(Millis span)
    {
        Q_UNUSED(span);
        return true;
    }
    // Whatever has already arrived, taken without waiting for more: bytes the
    // register sent after a command's reply was settled. Empty at once when
    // nothing is there, unlike receive(), whose read time-out would stretch
    // every command by a quarter of a second.
    virtual QString drain() = 0;
    // Ends the link at program exit.
    virtual void close() = 0;
};

} // namespace dravimo
