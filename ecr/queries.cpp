// The register's answers to questions: its error status, the open restaurant
// table, the table figures and list, and the receipt numbers. Replies are
// colon-separated fields; each query reads only the fields it names.
#include "ecr/queries.h"

#include "ecr/link.h"

#include <QStringList>

#include <cmath>

namespace dravimo {
namespace {

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
std::optional<qint16> value16(const QString &text, const NumberFormat &numbers)
{
    const auto v = numbers.value(text);
    return v ? toInt16(*v) : std::nullopt;
}

// The status carried in an error tail such as "DE2C".
qint16 statusFromErrorTail(QString tail, const NumberFormat &numbers)
{
    tail.remove(QStringLiteral("DE"));
    tail.remove(QLatin1Char('C'));
    const auto v = numbers.value(tail.trimmed());
    if (!v)
        return ecrstatus::Unreadable;
    const auto code = toInt16(integerPart(*v));
    return code ? *code : ecrstatus::Unreadable;
}

// The status a reply to "KXSTAT" carries; nothing when it has neither form.
std::optional<qint16> statusFromReply(const QString &reply, const NumberFormat &numbers)
{
    const QString tail = reply.mid(7);
    if (tail.startsWith(QLatin1String("DE")))
        return statusFromErrorTail(tail, numbers);
    if (reply.startsWith(QLatin1String("STAT:")))
        return value16(reply.mid(5), numbers).value_or(ecrstatus::Unreadable);
    return std::nullopt;
}

// A question the register refused is asked again: a refusal says nothing of
// the answer, and the exchange has cleared the register's error state. The
// receipt numbers a host reads, or a table still open for keying, must not
// be lost to one stray refusal.
constexpr int kAsks = 3;

} // namespace

CommandResult EcrQueries::ask(const Command &question, Quiet quiet)
{
    CommandResult r = link_.send(question, quiet);
    for (int i = 1; i < kAsks && r.code > 0; ++i)
        r = link_.send(question, quiet);
    return r;
}

qint16 EcrQueries::status()
{
    const CommandResult r = ask(ecrcommand::status(), Quiet::Yes);
    if (!r.ok())
        return ecrstatus::NoStatus;
    return statusFromReply(r.reply, numbers_).value_or(ecrstatus::Ready);
}

qint16 EcrQueries::confirmedStatus()
{
    const CommandResult r = ask(ecrcommand::status(), Quiet::Yes);
    if (!r.ok())
        return ecrstatus::NoStatus;
    const auto status = statusFromReply(r.reply, numbers_);
    return status ? *status : this->status();
}

qint16 EcrQueries::openTable()
{
    const CommandResult r = ask(ecrcommand::openTable());
    if (!r.ok())
        return -1;
    const auto table = value16(field(r.reply, 2).trimmed(), numbers_);
    return table && *table > 0 ? *table : qint16(-1);
}

qint16 EcrQueries::lastReceiptFromClearReply(const QString &reply, const NumberFormat &numbers)
{
    const auto number = value16(cleanField(field(reply, 3)), numbers);
    return number && *number > 0 ? *number : qint16(-1);
}

QString EcrQueries::tableTotal(int table)
{
    const CommandResult r = ask(ecrcommand::tableTotal(table));
    if (!r.ok())
        return QStringLiteral("-1");
    const QString figure = cleanField(field(r.reply, 3));
    const auto v = numbers_.value(figure);
    return v && *v >= 0 ? figure : QStringLiteral("-1");
}

QString EcrQueries::tableList()
{
    const CommandResult r = ask(ecrcommand::tablesWithOrders());
    if (!r.ok())
        return QStringLiteral("-1");
    QString list = cleanField(field(r.reply, 2));
    if (list.isEmpty())
        return QStringLiteral("-1");
    return list.remove(QLatin1Char(' '));
}

// An answer without the two numbers is asked again like a refusal: it may be
// another question's reply that came so late the line carried it in front
// of this one's (a status reply 20 s late once stood in for "KXRE" and cost
// the host its receipt number).
QString EcrQueries::receiptNumbers()
{
    static const QString failed = QStringLiteral("-1, -1");
    for (int i = 0; i < kAsks; ++i) {
        const CommandResult r = ask(ecrcommand::receiptNumbers());
        if (!r.ok())
            return failed;
        const QString first = field(r.reply, 2).left(5).trimmed();
        const QString second = field(r.reply, 3).left(5).trimmed();
        const auto count = numbers_.value(second);
        if (numbers_.isNumeric(first) && count)
            return *count > 0 ? first + QStringLiteral(", ") + second : failed;
    }
    return failed;
}

} // namespace dravimo
