#include "sim/command.h"

#include <QHash>
#include <QRegularExpression>

#include <functional>
#include <vector>

namespace dravimo::sim {
namespace {

// Longer numbers than this do not fit the register's entry field.
constexpr int kMaxDigits = 10;

bool tooLong(const QString &digits)
{
    return digits.size() > kMaxDigits;
}

qint64 value(const QString &digits, qint64 absent = -1)
{
    return digits.isEmpty() ? absent : digits.toLongLong();
}

// Keys that are one fixed word.
const QHash<QString, Key> &fixedKeys()
{
    static const QHash<QString, Key> keys = {
        {QStringLiteral("- "), Key::Minus},         {QStringLiteral("-"), Key::Minus},
        {QStringLiteral("ST"), Key::Subtotal},      {QStringLiteral("STAT"), Key::Status},
        {QStringLiteral("CL"), Key::Clear},         {QStringLiteral("VOID"), Key::Void},
        {QStringLiteral("TO"), Key::CloseTable},    {QStringLiteral("?TO"), Key::QueryOpenTable},
        {QStringLiteral("REPTBL"), Key::TableList}, {QStringLiteral("RE"), Key::ReceiptNumbers},
        {QStringLiteral("TRF"), Key::TransferArm},  {QStringLiteral("TRFOK"), Key::TransferOk},
        {QStringLiteral("TRFNO"), Key::TransferNo}, {QStringLiteral("PPAY"), Key::PayTableArm},
        {QStringLiteral("794ST"), Key::Setting794}, {QStringLiteral("794ST\r"), Key::Silent794},
    };
    return keys;
}

using Fill = std::function<void(Command &, const QRegularExpressionMatch &)>;

struct Rule
{
    QRegularExpression pattern;
    Key key;
    Fill fill;
};

Rule rule(const char *pattern, Key key, Fill fill)
{
    return {QRegularExpression(QString::fromLatin1(pattern), QRegularExpression::DotMatchesEverythingOption), key,
            std::move(fill)};
}

// number / amount / text from numbered captures
void amountNumberText(Command &c, const QRegularExpressionMatch &m)
{
    c.amount = value(m.captured(1));
    c.number = int(value(m.captured(2), 0));
    c.text = m.captured(3).trimmed();
}

const std::vector<Rule> &rules()
{
    static const std::vector<Rule> table = {
        rule(R"(^(\d*)\.(\d{1,3})\*\s*$)", Key::Quantity,
             [](Command &c, const QRegularExpressionMatch &m) {
                 const QString fraction = m.captured(2).leftJustified(3, QLatin1Char('0'));
                 c.amount = value(m.captured(1), 0) * 1000 + fraction.toLongLong();
             }),
        rule(R"(^REP(\d+)TBL$)", Key::TableReport,
             [](Command &c, const QRegularExpressionMatch &m) { c.number = int(value(m.captured(1))); }),
        rule(R"(^(\d+)TO$)", Key::OpenTable,
             [](Command &c, const QRegularExpressionMatch &m) { c.number = int(value(m.captured(1))); }),
        rule(R"(^FROM(\d+)TO(\d+)(PAR)?$)", Key::MoveTable,
             [](Command &c, const QRegularExpressionMatch &m) {
                 c.number = int(value(m.captured(1)));
                 c.number2 = int(value(m.captured(2)));
                 c.partial = m.hasCaptured(3);
             }),
        rule(R"(^FROM(\d+)$)", Key::FromTable,
             [](Command &c, const QRegularExpressionMatch &m) { c.number = int(value(m.captured(1))); }),
        rule(R"(^PA(\d+)R(\d+)(.*)$)", Key::TransferItem, amountNumberText),
        rule(R"(^CO(?: (.*))?$)", Key::Comment,
             [](Command &c, const QRegularExpressionMatch &m) {
                 QString text = m.captured(1);
                 while (!text.isEmpty() && text.back().isSpace())
                     text.chop(1);
                 c.text = text;
             }),
        rule(R"(^@215T(\d+)$)", Key::Cancel,
             [](Command &c, const QRegularExpressionMatch &m) { c.number = int(value(m.captured(1))); }),
        rule(R"(^(\d+)R(\d+)(.*)$)", Key::Sale, amountNumberText),
        rule(R"(^(\d+)PL(.*)$)", Key::DepartmentKey,
             [](Command &c, const QRegularExpressionMatch &m) {
                 c.number = int(value(m.captured(1)));
                 c.text = m.captured(2);
                 // The text key is 10; "KX10PL" with nothing after it is department 10.
                 if (!c.text.isEmpty())
                     c.key = Key::TextLine;
             }),
        rule(R"(^(\d+)AC(.*)$)", Key::EntryAC,
             [](Command &c, const QRegularExpressionMatch &m) {
                 c.digits = m.captured(1);
                 c.amount = value(c.digits);
                 c.text = m.captured(2).trimmed();
             }),
        rule(R"(^(\d+)GE(.*)$)", Key::AmountModifier,
             [](Command &c, const QRegularExpressionMatch &m) {
                 c.amount = value(m.captured(1));
                 c.text = m.captured(2).trimmed();
             }),
        rule(R"(^(\d+)% ?(.*)$)", Key::PercentModifier,
             [](Command &c, const QRegularExpressionMatch &m) {
                 c.amount = value(m.captured(1));
                 c.text = m.captured(2).trimmed();
             }),
        rule(R"(^(\d*)T(\d+)P(\d+)$)", Key::CardPayment,
             [](Command &c, const QRegularExpressionMatch &m) {
                 c.amount = value(m.captured(1));
                 c.number = int(value(m.captured(2)));
                 c.number2 = int(value(m.captured(3)));
             }),
        rule(R"(^(\d*)T(\d+)$)", Key::Payment,
             [](Command &c, const QRegularExpressionMatch &m) {
                 c.digits = m.captured(1);
                 c.amount = value(m.captured(1));
                 c.number = int(value(m.captured(2)));
             }),
    };
    return table;
}

bool anyTooLong(const QRegularExpressionMatch &m)
{
    static const QRegularExpression digitsOnly(QStringLiteral("^\\d+$"));
    for (int i = 1; i <= m.lastCapturedIndex(); ++i) {
        const QString part = m.captured(i);
        if (digitsOnly.match(part).hasMatch() && tooLong(part))
            return true;
    }
    return false;
}

} // namespace

Command parseCommand(const QString &raw)
{
    Command c;
    c.raw = raw;
    if (raw.startsWith(QLatin1String("KY"))) {
        c.key = Key::Programming;
        c.text = raw.mid(2);
        return c;
    }
    if (!raw.startsWith(QLatin1String("KX")))
        return c;
    const QString body = raw.mid(2);
    if (const auto fixed = fixedKeys().find(body); fixed != fixedKeys().end()) {
        c.key = fixed.value();
        return c;
    }
    for (const Rule &r : rules()) {
        const QRegularExpressionMatch m = r.pattern.match(body);
        if (!m.hasMatch())
            continue;
        if (anyTooLong(m)) {
            c.key = Key::TooLong;
            return c;
        }
        c.key = r.key;
        r.fill(c, m);
        return c;
    }
    return c;
}

bool isQuery(Key key)
{
    switch (key) {
    case Key::Status:
    case Key::QueryOpenTable:
    case Key::TableReport:
    case Key::TableList:
    case Key::ReceiptNumbers: return true;
    default: return false;
    }
}

} // namespace dravimo::sim
