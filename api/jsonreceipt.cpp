#include "api/jsonreceipt.h"

#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>

#include <QRegularExpression>

#include <algorithm>
#include <cmath>
#include <functional>
#include <map>
#include <optional>
#include <vector>

namespace dravimo {
namespace {

// Where a field goes in its line: 1-based column, width, and whether the
// value stands at the right of its column (numbers) or the left (text).
struct Column
{
    const char *name;
    int column;
    int width;
    bool right;
    bool required;
};

struct Kind
{
    const char *code;            // the line code as the print file writes it
    std::vector<Column> columns; // empty: a line without fields
    // A kind whose value is one field may be given as that value alone:
    // {"comment": "ΕΥΧΑΡΙΣΤΟΥΜΕ"} for {"comment": {"text": "ΕΥΧΑΡΙΣΤΟΥΜΕ"}}.
};

const std::map<QString, Kind> &kinds()
{
    static const std::map<QString, Kind> k = {
        {QStringLiteral("sale"),
         {"PLU",
          {{"code", 6, 14, false, false},
           {"description", 20, 24, false, false},
           {"quantity", 48, 7, true, true},
           {"price", 57, 9, true, true},
           {"vat", 69, 5, true, false},
           {"department", 74, 3, true, false}}}},
        {QStringLiteral("discount"), {"dis", {{"value", 7, 8, false, true}}}},
        {QStringLiteral("subtotal"), {"sut", {{"value", 7, 10, false, true}}}},
        {QStringLiteral("modifier"), {"mod", {{"value", 7, 9, false, true}, {"text", 17, 24, false, false}}}},
        {QStringLiteral("comment"), {"com", {{"text", 7, 28, false, true}}}},
        {QStringLiteral("blankComments"), {"frt", {}}},
        {QStringLiteral("cancel"), {"can", {{"value", 7, 6, false, true}}}},
        {QStringLiteral("void"), {"voi", {}}},
        {QStringLiteral("payment"), {"tot", {{"method", 8, 1, false, true}, {"amount", 11, 9, true, true}}}},
        {QStringLiteral("cardPayment"), {"pay", {{"number", 7, 2, false, true}}}},
        {QStringLiteral("openTable"), {"TBO", {{"table", 6, 10, false, true}}}},
        {QStringLiteral("closeTable"), {"TBC", {{"table", 6, 10, false, true}}}},
        {QStringLiteral("moveTable"), {"TBT", {{"from", 7, 3, false, true}, {"to", 11, 3, false, true}}}},
        {QStringLiteral("transferTable"), {"TPT", {{"from", 7, 3, false, true}, {"to", 11, 3, false, true}}}},
        {QStringLiteral("payTable"), {"TBS", {{"table", 7, 3, false, true}}}},
        {QStringLiteral("listTables"), {"ltb", {}}},
        {QStringLiteral("footer"), {"foo", {{"text", 7, 60, false, true}}}},
    };
    return k;
}

std::optional<QString> fieldText(const QJsonValue &v)
{
    if (v.isString())
        return v.toString();
    if (v.isDouble()) {
        const double d = v.toDouble();
        // Whole numbers as such (a double far beyond any qint64 is checked
        // first: converting it would be undefined); others with at most three
        // decimals, the most a quantity has. A number too long for its column
        // is refused by the caller.
        if (std::abs(d) < 1e15 && d == std::floor(d))
            return QString::number(static_cast<qint64>(d));
        QString text = QString::number(d, 'f', 3);
        while (text.endsWith(QLatin1Char('0')))
            text.chop(1);
        if (text.endsWith(QLatin1Char('.')))
            text.chop(1);
        return text;
    }
    return std::nullopt;
}

JsonReceipt refusal(const QString &code, const QString &error)
{
    return {QString(), error, code};
}

} // namespace

JsonReceipt printFileFromJson(const QByteArray &json)
{
    QJsonParseError parseError;
    const QJsonDocument doc = QJsonDocument::fromJson(json, &parseError);
    if (parseError.error != QJsonParseError::NoError)
        return refusal(QStringLiteral("malformed-json"),
                       QStringLiteral("at byte %1: %2").arg(parseError.offset).arg(parseError.errorString()));
    if (!doc.isObject())
        return refusal(QStringLiteral("malformed-json"), QStringLiteral("the receipt is a JSON object"));
    const QJsonObject receipt = doc.object();
    for (auto it = receipt.begin(); it != receipt.end(); ++it) {
        if (it.key() != QLatin1String("tag") && it.key() != QLatin1String("lines"))
            return refusal(QStringLiteral("bad-field"), QStringLiteral("unknown member \"%1\"").arg(it.key()));
    }
    QString text;
    if (receipt.contains(QLatin1String("tag"))) {
        const auto tag = fieldText(receipt.value(QLatin1String("tag")));
        if (!tag || tag->contains(QLatin1Char('\r')) || tag->contains(QLatin1Char('\n')))
            return refusal(QStringLiteral("bad-field"), QStringLiteral("tag is one line of text"));
        text += QStringLiteral(" tag:  ") + *tag + QStringLiteral("\r\n");
    }
    const QJsonValue linesValue = receipt.value(QLatin1String("lines"));
    if (!linesValue.isArray() || linesValue.toArray().isEmpty())
        return refusal(QStringLiteral("bad-field"), QStringLiteral("lines is a non-empty array"));
    const QJsonArray lines = linesValue.toArray();
    for (qsizetype i = 0; i < lines.size(); ++i) {
        const QString where = QStringLiteral("lines[%1]").arg(i);
        const QJsonObject entry = lines[i].toObject();
        if (!lines[i].isObject() || entry.size() != 1)
            return refusal(QStringLiteral("bad-field"), where + QStringLiteral(" is an object with one member"));
        const QString kindName = entry.begin().key();
        const auto kind = kinds().find(kindName);
        if (kind == kinds().end())
            return refusal(QStringLiteral("unknown-line-kind"),
                           where + QStringLiteral(": unknown line kind \"%1\"").arg(kindName));
        const QJsonValue value = entry.begin().value();
        const std::vector<Column> &columns = kind->second.columns;
        QString line = QLatin1Char(' ') + QString::fromLatin1(kind->second.code);
        if (columns.empty()) {
            if (!value.isBool() && !value.isNull() && !(value.isObject() && value.toObject().isEmpty()))
                return refusal(QStringLiteral("bad-field"),
                               where + QLatin1Char('.') + kindName + QStringLiteral(" has no fields: true"));
            text += line + QStringLiteral("\r\n");
            continue;
        }
        QJsonObject fields;
        if (value.isObject())
            fields = value.toObject();
        else if (columns.size() == 1 && (value.isString() || value.isDouble()))
            fields.insert(QString::fromLatin1(columns[0].name), value);
        else
            return refusal(QStringLiteral("bad-field"),
                           where + QLatin1Char('.') + kindName + QStringLiteral(" is an object"));
        for (auto f = fields.begin(); f != fields.end(); ++f) {
            if (std::none_of(columns.begin(), columns.end(),
                             [&](const Column &c) { return f.key() == QLatin1String(c.name); }))
                return refusal(QStringLiteral("bad-field"),
                               where + QLatin1Char('.') + kindName
                                   + QStringLiteral(": unknown field \"%1\"").arg(f.key()));
        }
        for (const Column &c : columns) {
            const QString name = where + QLatin1Char('.') + kindName + QLatin1Char('.') + QString::fromLatin1(c.name);
            const QJsonValue v = fields.value(QLatin1String(c.name));
            if (v.isUndefined() || v.isNull()) {
                if (c.required)
                    return refusal(QStringLiteral("bad-field"), name + QStringLiteral(" is required"));
                continue;
            }
            const auto t = fieldText(v);
            if (!t)
                return refusal(QStringLiteral("bad-field"), name + QStringLiteral(" is a string or a number"));
            if (t->size() > c.width)
                return refusal(QStringLiteral("bad-field"),
                               name + QStringLiteral(" is longer than its %1 characters").arg(c.width));
            if (t->contains(QLatin1Char('\r')) || t->contains(QLatin1Char('\n')))
                return refusal(QStringLiteral("bad-field"), name + QStringLiteral(" is one line"));
            if (line.size() < c.column - 1)
                line = line.leftJustified(c.column - 1);
            const QString cell = c.right ? t->rightJustified(c.width) : *t;
            line = line.left(c.column - 1) + cell + line.mid(c.column - 1 + cell.size());
        }
        text += line + QStringLiteral("\r\n");
    }
    return {text, QString(), QString()};
}

} // namespace dravimo
