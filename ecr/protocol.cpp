#include "ecr/protocol.h"

#include "greek/cp1253.h"

#include <QHash>
#include <QRegularExpression>

namespace dravimo {
namespace {

constexpr QChar kEot(4);
constexpr QChar kCr(13);
const QString kErrorMark = QStringLiteral("DE");

// Keyed by exact text, so "07" is not "7".
const QHash<QString, QString> &errorMessages()
{
    static const QHash<QString, QString> table = {
        {QStringLiteral("-3"), QStringLiteral("Ελέγξτε την σύνδεση!")},
        {QStringLiteral("-99"), QStringLiteral("Γενικό σφάλμα επικοινωνίας!")},
        {QStringLiteral("1"), QStringLiteral("Επαλήθευση Χειριστή ! (90 Μερ.Σύνολο)")},
        {QStringLiteral("2"), QStringLiteral("Τέλος Χαρτιού !")},
        {QStringLiteral("3"), QStringLiteral("Υποχρεωτικό Μερ. Σύνολο !")},
        {QStringLiteral("4"), QStringLiteral("Υπέρβαση Ορίου Εισαγωγής !")},
        {QStringLiteral("5"), QStringLiteral("Δεν επιτρέπετε η Αλλαγή!")},
        {QStringLiteral("6"), QStringLiteral("Λάθος Χειρισμός !")},
        {QStringLiteral("7"), QStringLiteral("Πρόβλημα στην Φορολογική Μνήμη !\rΚαλέστε τεχνικό !")},
        {QStringLiteral("8"), QStringLiteral("Πρόβλημα στην μνήμη Ram !\rΚαλέστε τεχνικό !")},
        {QStringLiteral("9"), QStringLiteral("Πρόβλημα στόν Εκτυπωτή !\rΚαλέστε τεχνικό !")},
        {QStringLiteral("10"), QStringLiteral("Πρόβλημα στην μνήμη Rom !\rΚαλέστε τεχνικό !")},
        {QStringLiteral("12"), QStringLiteral("Χαμηλή τάση Μπαταρίας !")},
        {QStringLiteral("14"), QStringLiteral("Πρόβλημα στην οθόνη !\rΚαλέστε τεχνικό !")},
        {QStringLiteral("20"), QStringLiteral("Τέλος Φορολογικής Μνήμης !")},
        {QStringLiteral("21"), QStringLiteral("Λανθασμένη Ημερομηνία / Ώρα!")},
        {QStringLiteral("23"), QStringLiteral("Λάθος Ημερομηνία / Ώρα !\rΠατήστε 'Διαγραφή' !")},
        {QStringLiteral("40"), QStringLiteral("Πρόβλημα στην μνήμη Ram κατα την Συναλλαγή!")},
        {QStringLiteral("50"), QStringLiteral("Παράσιτα στην γραμμή Επικοινωνίας !")},
        {QStringLiteral("51"), QStringLiteral("Parity Λάθος (Επικοινωνία) !")},
        {QStringLiteral("52"), QStringLiteral("Λάθος Έκπτωση / Επιβάρυνση !")},
        {QStringLiteral("53"), QStringLiteral("Framing Error (Λάθος Επικοινωνία) !")},
        {QStringLiteral("54"), QStringLiteral("Πρόβλημα στην Επικοινωνία με τον Η/Υ !")},
        {QStringLiteral("57"), QStringLiteral("Λανθασμένη Λειτουργία  !")},
        {QStringLiteral("59"), QStringLiteral("Χρειάζεται κωδικός Χειριστή !")},
        {QStringLiteral("69"), QStringLiteral("Λάθος στοιχεία απο τον Η/Υ !")},
        {QStringLiteral("84"), QStringLiteral("Λάθος Κωδικός Bar-Code !")},
        {QStringLiteral("1005"), QStringLiteral("Λάθος Ποσότητα!")},
        {QStringLiteral("1011"), QStringLiteral("Λάθος Αξία!")},
        {QStringLiteral("1014"), QStringLiteral("Απαγόρευση Μετρητών!")},
        {QStringLiteral("1031"), QStringLiteral("Υποχρεωτική έκδοση Ζ (Πέρασαν 24 Ώρες)!")},
        {QStringLiteral("1038"), QStringLiteral("Ανοικτή Απόδειξη, Υποχρεωτική Εξόφληση!")},
        {QStringLiteral("1044"), QStringLiteral("Υπέρβαση Έκπτωσης!")},
        {QStringLiteral("1064"), QStringLiteral("Τέλος Χαρτιού!")},
        {QStringLiteral("1091"), QStringLiteral("Υπέρβαση Ορίου τιμής!")},
    };
    return table;
}

// The code of an error reply: the digits after "DE" up to the first space,
// at most four of them.
std::optional<qint16> errorCode(const QString &reply)
{
    static const QRegularExpression code(QStringLiteral("^DE([0-9]{1,4})"));
    const QString word = reply.section(QLatin1Char(' '), 0, 0);
    const auto m = code.match(word);
    if (!m.hasMatch())
        return std::nullopt;
    return static_cast<qint16>(m.captured(1).toInt());
}

// The value of a code word, read the lenient way; a word that is not a
// number reads as its leading digits (none: 0).
qint16 codeValue(const QString &word, const NumberFormat &numbers)
{
    if (const auto v = numbers.value(word)) {
        if (const auto code = toInt16(*v))
            return *code;
    }
    static const QRegularExpression leading(QStringLiteral("^\\s*([+-]?[0-9]{1,5})"));
    const auto m = leading.match(word);
    return m.hasMatch() ? static_cast<qint16>(qBound(-32768, m.captured(1).toInt(), 32767)) : 0;
}

} // namespace

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

namespace {

// Line noise ahead of a reply: control characters the register never sends
// at the start of one.
qsizetype afterNoise(const QString &buffer)
{
    qsizetype i = 0;
    while (i < buffer.size() && (buffer.at(i).unicode() < 32 || buffer.at(i).unicode() == 127))
        ++i;
    return i;
}

// Where a refusal in a reply without EOT starts: the first "DE" followed by
// a digit, else the first "DE" at all (its code then reads as unreadable);
// -1 when the buffer holds none.
qsizetype refusalStart(const QString &buffer)
{
    for (qsizetype at = buffer.indexOf(kErrorMark); at >= 0; at = buffer.indexOf(kErrorMark, at + 1)) {
        if (at + 2 < buffer.size() && buffer.at(at + 2).isDigit())
            return at;
    }
    return buffer.indexOf(kErrorMark);
}

// Where the refusal in a collected reply starts; -1 for a text reply.
qsizetype refusalAt(const QString &buffer)
{
    if (buffer.contains(kEot)) {
        const qsizetype start = afterNoise(buffer);
        return QStringView(buffer).mid(start).startsWith(kErrorMark) ? start : -1;
    }
    return refusalStart(buffer);
}

} // namespace

ReplyState replyState(const QString &buffer)
{
    if (buffer.contains(kEot))
        return refusalAt(buffer) >= 0 ? ReplyState::Refusal : ReplyState::Text;
    for (qsizetype at = buffer.indexOf(kErrorMark); at >= 0; at = buffer.indexOf(kErrorMark, at + 1)) {
        if (at + 2 == buffer.size() || buffer.at(at + 2).isDigit())
            return ReplyState::MaybeRefusal;
    }
    return ReplyState::Incomplete;
}

QStringList splitReplies(const QString &text)
{
    QStringList replies;
    for (QString reply : text.split(kEot)) {
        reply.remove(kCr);
        if (!reply.isEmpty())
            replies.append(reply);
    }
    return replies;
}

ReplyOutcome evaluateReply(const QString &buffer, Quiet quiet, const NumberFormat &numbers)
{
    const qsizetype refusal = refusalAt(buffer);
    QString text = refusal >= 0 ? buffer.mid(refusal) : buffer;
    text.remove(kCr);
    text.remove(kEot);
    ReplyOutcome out;
    if (refusal < 0) {
        out.text = text;
        out.reply = text;
        return out;
    }
    const std::optional<qint16> code = errorCode(text);
    out.isError = true;
    out.code = code.value_or(result::Unreadable);
    out.text = QString::number(out.code);
    // The operator reads the first word of the reply with every "DE" taken
    // out; an unreadable code is shown as the general communication error.
    QString word = (code ? text : QStringLiteral("DE%1").arg(result::Unreadable)).section(QLatin1Char(' '), 0, 0);
    word.remove(kErrorMark);
    out.errorText = ecrErrorText(word, numbers);
    if (quiet == Quiet::No) {
        // A shown error reports the code as the box reads it; "00" is the
        // register's "no error" and is not shown.
        out.code = codeValue(word, numbers);
        out.showError = word != QLatin1String("00");
    }
    return out;
}

QString ecrErrorText(const QString &text, const NumberFormat &numbers)
{
    QString code = text.section(QLatin1Char(' '), 0, 0);
    if (code.startsWith(kErrorMark))
        code.remove(kErrorMark);
    if (!numbers.isNumeric(code))
        return text;
    return errorMessages().value(code, code);
}

QString formatForLog(const QString &reply)
{
    QString out;
    for (const QChar c : reply) {
        const auto byte = static_cast<unsigned char>(cp1253::toByte(c));
        if (byte < 32)
            out += QStringLiteral("ASC(%1) ").arg(byte);
        else
            out += c;
    }
    return out;
}

} // namespace dravimo
