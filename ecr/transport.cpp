#include "ecr/transport.h"

#include "greek/cp1253.h"

namespace dravimo {

QString frameCommand(const QString &command)
{
    static const QString crlf = QStringLiteral("\r\n");
    if (command.size() > 2 && !command.endsWith(crlf))
        return command + crlf;
    return command;
}

QByteArray toWire(const QString &text)
{
    return cp1253::encode(text);
}

QString fromWire(const QByteArray &bytes)
{
    return cp1253::decode(bytes);
}

} // namespace dravimo
