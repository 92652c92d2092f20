#include "sim/cardterminal.h"

#include <QStringList>

namespace dravimo::sim {
namespace {

// The acknowledgement word is padded with blanks to 15 characters before the
// data: the program recognises an acknowledgement by the first 15 characters
// of the reply with the blanks trimmed, and reads the data after it.
constexpr int kAckWidth = 15;

QString approvalData(const CardRequest &r, const QDateTime &when)
{
    const QString sequence = QStringLiteral("%1").arg(r.id, 6, 10, QLatin1Char('0'));
    const QStringList fields{
        QString::number(r.terminal),                                                       // f0 terminal number
        QStringLiteral("00"),                                                              // f1 response code
        QStringLiteral("VISA"),                                                            // f2 card scheme
        QString::number(r.amount),                                                         // f3 amount in cents
        QStringLiteral("978"),                                                             // f4 currency (euro)
        when.toString(QStringLiteral("yyMMdd")),                                           // f5 date
        when.toString(QStringLiteral("HHmmss")),                                           // f6 time
        QStringLiteral("001"),                                                             // f7 batch
        sequence,                                                                          // f8 trace number
        QStringLiteral("A") + sequence.right(5),                                           // f9 approval code
        QStringLiteral("************%1").arg(4000 + r.id % 1000, 4, 10, QLatin1Char('0')), // f10 card
        QStringLiteral("000000") + sequence,                                               // f11 reference number
        QStringLiteral("CHIP"),                                                            // f12 entry mode
        QStringLiteral("ECRSIM01"),                                                        // f13 terminal id
        QStringLiteral("0"),                                                               // f14 instalments
    };
    return fields.join(QLatin1Char(':'));
}

} // namespace

bool CardOutcome::approves() const
{
    switch (kind) {
    case Kind::Approved358:
    case Kind::Approved355:
    case Kind::Approved356: return true;
    case Kind::Raw:
        return text.startsWith(QLatin1String("358OK")) || text.startsWith(QLatin1String("355OK"))
            || text.startsWith(QLatin1String("356OK"));
    default: return false;
    }
}

void CardTerminal::queue(const CardOutcome &outcome, int times)
{
    for (int i = 0; i < times; ++i)
        queue_.append(outcome);
}

CardOutcome CardTerminal::next()
{
    return queue_.isEmpty() ? default_ : queue_.takeFirst();
}

QString CardTerminal::replyText(const CardOutcome &outcome, const CardRequest &request, const QDateTime &when)
{
    using K = CardOutcome::Kind;
    switch (outcome.kind) {
    case K::Approved358: return QStringLiteral("358OK").leftJustified(kAckWidth) + approvalData(request, when);
    case K::Approved355: return QStringLiteral("355OK").leftJustified(kAckWidth) + approvalData(request, when);
    case K::Approved356: return QStringLiteral("356OK");
    case K::CntFail: return QStringLiteral("CntFail");
    case K::TerminalCode: return QLatin1Char(':') + outcome.text;
    case K::Raw: return outcome.text;
    case K::None: break;
    }
    return QString();
}

std::optional<CardOutcome> cardOutcomeFromWords(const QString &word, const QString &argument)
{
    using K = CardOutcome::Kind;
    const QString w = word.toLower();
    CardOutcome o;
    if (w == QLatin1String("358") || w == QLatin1String("approve"))
        o.kind = K::Approved358;
    else if (w == QLatin1String("355"))
        o.kind = K::Approved355;
    else if (w == QLatin1String("356"))
        o.kind = K::Approved356;
    else if (w == QLatin1String("cntfail"))
        o.kind = K::CntFail;
    else if (w == QLatin1String("none"))
        o.kind = K::None;
    else if (w == QLatin1String("code") && !argument.isEmpty())
        o = CardOutcome{K::TerminalCode, argument, std::nullopt};
    else if (w == QLatin1String("raw"))
        o = CardOutcome{K::Raw, argument, std::nullopt};
    else
        return std::nullopt;
    return o;
}

} // namespace dravimo::sim
