#pragma once
// Which transport a connection text names: "comN..." is a serial port, anything
// else the IPv4 address of a register on the network, with its UDP port after
// the ":".

#include "ecr/exchange.h"

namespace dravimo {

class Clock;

OpenedTransport openTransport(const QString &connection, Clock &clock);

} // namespace dravimo
