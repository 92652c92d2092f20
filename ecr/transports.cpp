#include "ecr/transports.h"

#include "ecr/seriallink.h"
#include "ecr/udplink.h"

#include <QStringList>

namespace dravimo {

OpenedTransport openTransport(const QString &connection, Clock &clock)
{
    if (connection.left(3) == QLatin1String("com")) {
        auto port = std::make_unique<SerialLink>(clock);
        auto failure = port->open(connection);
        return {std::move(port), std::move(failure)};
    }
    const QStringList parts = connection.split(QLatin1Char(':'));
    bool numeric = false;
    const int port = parts.value(1).trimmed().toInt(&numeric);
    auto link = std::make_unique<UdpLink>(clock, parts.value(0), numeric ? port : 0);
    // A network link that cannot be opened does not stop the command: it is
    // sent and ends in the exchange's time-out, which the operator sees.
    link->open();
    return {std::move(link), std::nullopt};
}

} // namespace dravimo
