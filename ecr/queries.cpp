// The register's answers to questions: its error status, the open restaurant
// table, the table figures and list, and the receipt numbers. Replies are
// colon-separated fields; each query reads only the fields it names.
#include "ecr/fiscaltec.h"

#include "core/numbers.h"
#include "core/shared.h"

#include <QStringList>

#include <cmath>

namespace dravimo {
namespace {

// Status answers of the status query when the register cannot be read.
constexpr qint16 kNoStatus = -3;
constexpr qint16 kUnreadableStatus = -99;

// Field n (from 1) of a reply; a missing field is empty.
QString field(const QString &reply, int n)
{
    return reply.split(QLatin1Char(':')).value(n - 1);
}

// A field with its LFs (left by the register inside multi-line answers) and
// surrounding spaces removed.
QString cleanField(const QString &text)
{
    QString out = text;
    out.remove(QLatin1Char('\n'));
    return out.trimmed();
}

// The 16-bit value of a numeric text, rounded; nothing for text that is not
// a number or does not fit.
std::optional<qint16> value16(const QString &text)
{
    const auto v = numericValue(text);
    return v ? toInt16(*v) : std::nullopt;
}

// The status carried in an error tail such as "DE2C".
qint16 statusFromErrorTail(QString tail)
{
    tail.remove(QStringLiteral("DE"));
    tail.remove(QLatin1Char('C'));
    const auto v = numericValue(tail.trimmed());
    if (!v)
        return kUnreadableStatus;
    const auto status = toInt16(integerPart(*v));
    return status ? *status : kUnreadableStatus;
}

} // namespace

qint16 FiscalTec::QueryEcrStatus()
{
    QString reply;
    qint16 &result = shared().lastResultCode;
    SendCommand(QStringLiteral("KXSTAT"), result, reply, -1, 0);
    if (result != 0)
        return kNoStatus;
    const QString tail = reply.mid(7);
    if (tail.startsWith(QLatin1String("DE")))
        return statusFromErrorTail(tail);
    if (reply.startsWith(QLatin1String("STAT:")))
        return value16(reply.mid(5)).value_or(kUnreadableStatus);
    return 0;
}

qint16 FiscalTec::QueryOpenTable()
{
    QString reply;
    qint16 &result = shared().lastResultCode;
    SendCommand(QStringLiteral("KX?TO"), result, reply, 0, 0);
    if (result != 0)
        return -1;
    const auto table = value16(field(reply, 2).trimmed());
    return table && *table > 0 ? *table : qint16(-1);
}

qint16 FiscalTec::TableNumberFromReply(const QString &reply)
{
    const auto table = value16(cleanField(field(reply, 3)));
    return table && *table > 0 ? *table : qint16(-1);
}

QString FiscalTec::QueryTableReport(int table)
{
    QString reply;
    qint16 &result = shared().lastResultCode;
    SendCommand(QStringLiteral("KXREP%1TBL").arg(table), result, reply, 0, 0);
    if (result != 0)
        return QStringLiteral("-1");
    const QString figure = cleanField(field(reply, 3));
    const auto v = numericValue(figure);
    return v && *v >= 0 ? figure : QStringLiteral("-1");
}

QString FiscalTec::QueryTableList()
{
    QString reply;
    qint16 &result = shared().lastResultCode;
    SendCommand(QStringLiteral("KXREPTBL"), result, reply, 0, 0);
    if (result != 0)
        return QStringLiteral("-1");
    QString list = cleanField(field(reply, 2));
    if (list.isEmpty())
        return QStringLiteral("-1");
    return list.remove(QLatin1Char(' '));
}

QString FiscalTec::QueryReceiptNumbers()
{
    static const QString failed = QStringLiteral("-1, -1");
    QString reply;
    qint16 &result = shared().lastResultCode;
    SendCommand(QStringLiteral("KXRE"), result, reply, 0, 0);
    if (result != 0)
        return failed;
    const QString first = field(reply, 2).left(5).trimmed();
    const QString second = field(reply, 3).left(5).trimmed();
    const auto count = numericValue(second);
    if (!isNumeric(first) || !count || *count <= 0)
        return failed;
    return first + QStringLiteral(", ") + second;
}

} // namespace dravimo
