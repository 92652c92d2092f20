#include "api/outcome.h"

#include <QJsonArray>
#include <QRegularExpression>

namespace dravimo {
namespace {

QString exitMeaning(int code)
{
    switch (code) {
    case 0: return QStringLiteral("the whole print file was read and the register took all of it");
    case 1: return QStringLiteral("a line stopped the job part-way");
    case 2: return QStringLiteral("the job left a receipt or a table open on the register");
    case 3: return QStringLiteral("the receipt lacks something the print file asked for (see the Err lines)");
    default: return QStringLiteral("unknown exit code");
    }
}

QJsonValue numberOrText(const QString &text)
{
    bool ok = false;
    const int n = text.trimmed().toInt(&ok);
    return ok ? QJsonValue(n) : QJsonValue(text.trimmed());
}

} // namespace

QJsonObject outcomeJson(const QStringList &lines)
{
    // "Err = <code>, [<command>] <text> DateTime = <date>"; the text and the
    // date may be missing, and a few lines carry "(text)" instead.
    static const QRegularExpression err(
        QStringLiteral(R"(^Err = (-?\d+),\s*(?:\[([^\]]*)\])?\s*(.*?)\s*(?:DateTime(?: end)? = (.*))?$)"));
    QJsonObject o;
    QJsonArray errors, cards, replies;
    for (const QString &line : lines) {
        const auto value = [&line](const QString &prefix) { return line.mid(prefix.size()); };
        if (line.startsWith(QLatin1String("tag = "))) {
            o.insert(QStringLiteral("tag"), value(QStringLiteral("tag = ")));
        } else if (line.startsWith(QLatin1String("DateTime start = "))) {
            o.insert(QStringLiteral("start"), value(QStringLiteral("DateTime start = ")));
        } else if (line.startsWith(QLatin1String("DateTime end = "))) {
            o.insert(QStringLiteral("end"), value(QStringLiteral("DateTime end = ")));
        } else if (line.startsWith(QLatin1String("exitcode = "))) {
            const int code = value(QStringLiteral("exitcode = ")).trimmed().toInt();
            o.insert(QStringLiteral("exitCode"), code);
            o.insert(QStringLiteral("exitMeaning"), exitMeaning(code));
        } else if (line.startsWith(QLatin1String("recStatus = "))) {
            o.insert(QStringLiteral("recStatus"), value(QStringLiteral("recStatus = ")));
        } else if (line.startsWith(QLatin1String("receipt = "))) {
            const QStringList parts = value(QStringLiteral("receipt = ")).split(QLatin1Char(','));
            o.insert(QStringLiteral("receipt"),
                     QJsonObject{{QStringLiteral("z"), numberOrText(parts.value(0))},
                                 {QStringLiteral("last"), numberOrText(parts.value(1))},
                                 {QStringLiteral("table"), numberOrText(parts.value(2))}});
        } else if (line.startsWith(QLatin1String("Err = "))) {
            const auto m = err.match(line);
            QJsonObject e{{QStringLiteral("line"), line}};
            if (m.hasMatch()) {
                e.insert(QStringLiteral("code"), m.captured(1).toInt());
                e.insert(QStringLiteral("command"), m.captured(2));
                e.insert(QStringLiteral("text"), m.captured(3));
                e.insert(QStringLiteral("at"), m.captured(4));
            }
            errors.append(e);
        } else if (line.startsWith(QLatin1String("ccPay"))) {
            cards.append(line);
        } else if (line.startsWith(QLatin1String("sndReply = "))) {
            const QString rest = value(QStringLiteral("sndReply = "));
            const qsizetype semicolon = rest.indexOf(QLatin1Char(';'));
            replies.append(QJsonObject{{QStringLiteral("code"), rest.left(semicolon).toInt()},
                                       {QStringLiteral("reply"), semicolon < 0 ? QString() : rest.mid(semicolon + 1)}});
        }
    }
    o.insert(QStringLiteral("errors"), errors);
    o.insert(QStringLiteral("cardPayments"), cards);
    o.insert(QStringLiteral("sendReplies"), replies);
    return o;
}

QJsonObject registerStatusJson(int code, const QString &greek)
{
    QString english;
    switch (code) {
    case -99: english = QStringLiteral("not asked yet"); break;
    case -3: english = QStringLiteral("no answer"); break;
    case 0: english = QStringLiteral("ready"); break;
    case 1: english = QStringLiteral("a receipt is open"); break;
    case 2:
    case 1064: english = QStringLiteral("out of paper"); break;
    case 1031: english = QStringLiteral("a Z report is due (24 hours have passed)"); break;
    case 1038: english = QStringLiteral("a receipt is open and must be paid"); break;
    default: english = QStringLiteral("register error %1").arg(code); break;
    }
    return {{QStringLiteral("code"), code}, {QStringLiteral("greek"), greek}, {QStringLiteral("english"), english}};
}

QJsonObject receiptNumbersJson(const QString &numbers)
{
    const QStringList parts = numbers.split(QLatin1Char(','));
    return {{QStringLiteral("z"), numberOrText(parts.value(0))},
            {QStringLiteral("lastReceipt"), numberOrText(parts.value(1))}};
}

} // namespace dravimo
