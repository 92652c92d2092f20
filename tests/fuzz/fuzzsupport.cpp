#include "fuzzsupport.h"

#include "ecr/protocol.h"

#include <QDir>
#include <QTemporaryDir>

#include <cstdio>
#include <cstdlib>

namespace dravimo::fuzz {

QByteArray Bytes::take(size_t n)
{
    const size_t len = std::min(n, size_ - std::min(at_, size_));
    QByteArray out(reinterpret_cast<const char *>(data_ + at_), qsizetype(len));
    at_ += len;
    return out;
}

void require(bool holds, const char *property, const QString &detail)
{
    if (holds)
        return;
    std::fprintf(stderr, "PROPERTY BROKEN: %s\n%s\n", property, qPrintable(detail));
    std::abort();
}

void requireFramed(const QString &command, const QString &wire)
{
    const QString crlf = QStringLiteral("\r\n");
    QString body = command;
    if (command == kNoReplyCommand)
        body.chop(1);
    else if (body.endsWith(crlf))
        body.chop(2);
    require(!body.contains(QLatin1Char('\r')) && !body.contains(QLatin1Char('\n')),
            "a command is one line: no CR or LF inside it", command.toUtf8().toHex(' '));
    const bool bare = command.size() <= 2;
    const QString expected = bare || command.endsWith(crlf) ? command : command + crlf;
    require(wire == expected, "command framed by the line rule",
            QStringLiteral("sent [%1] wire [%2]").arg(QString::fromLatin1(command.toUtf8().toHex(' ')),
                                                        QString::fromLatin1(wire.toUtf8().toHex(' '))));
}

void enterScratchFolder()
{
    static QTemporaryDir dir;
    require(dir.isValid(), "scratch folder made");
    QDir::setCurrent(dir.path());
}

} // namespace dravimo::fuzz
