// The register's error codes as the operator reads them, the error box, and the
// wait until the operator has dealt with a register error (paper out, Z report
// due and the like).
#include "ecr/fiscaltec.h"

#include "core/clock.h"
#include "core/files.h"
#include "core/numbers.h"
#include "core/shared.h"
#include "core/window.h"

#include <QHash>
#include <QRegularExpression>

namespace dravimo {
namespace {

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

const QString kErrorMark = QStringLiteral("DE");
const QString kErrorCaption = QStringLiteral("Σφάλμα !!!");
const QString kWaitTitle = QStringLiteral("Μύνημα Ταμειακής");
const QString kWaitLine = QStringLiteral("Αναμονή...");
// The register is asked again this often while an error stands.
constexpr Millis kStatusPollInterval{1500};

// The value of a code word, read the lenient way; a word that is not a
// number reads as its leading digits (none: 0).
qint16 codeValue(const QString &word)
{
    if (const auto v = numericValue(word)) {
        if (const auto code = toInt16(*v))
            return *code;
    }
    static const QRegularExpression leading(QStringLiteral("^\\s*([+-]?[0-9]{1,5})"));
    const auto m = leading.match(word);
    return m.hasMatch() ? static_cast<qint16>(qBound(-32768, m.captured(1).toInt(), 32767)) : 0;
}

QString now()
{
    return formatDateTime(Clock::instance().wallNow());
}

void appendResult(const QString &line)
{
    AppendLine(shared().resultFile, line);
}

QString errorLine(qint16 status)
{
    return QStringLiteral("Ecr Err:%1, %2, %3")
        .arg(status)
        .arg(FiscalTec::EcrErrorText(QString::number(status)), now());
}

// Status 1 is a receipt in progress, not an error: the register is ready to
// go on with it. It must end the wait inside the loop as well as on entry,
// or a wait that began with a time-out or with paper out in the middle of a
// receipt would never end, the receipt staying open until the operator came.
bool noPendingError(qint16 status)
{
    return status == 0 || status == 1;
}

} // namespace

QString FiscalTec::EcrErrorText(const QString &text)
{
    QString code = text.section(QLatin1Char(' '), 0, 0);
    if (code.startsWith(kErrorMark))
        code.remove(kErrorMark);
    if (!isNumeric(code))
        return text;
    return errorMessages().value(code, code);
}

void FiscalTec::ShowEcrError(QString &reply, qint16 quiet)
{
    if (quiet != 0 && quiet != -1)
        return;
    QString word = reply.section(QLatin1Char(' '), 0, 0);
    if (!word.startsWith(kErrorMark))
        return;
    word.remove(kErrorMark);
    reply = EcrErrorText(word);
    if (quiet != 0)
        return;
    shared().lastResultCode = codeValue(word);
    // "00" is the register's "no error" and is not shown; a bare "0" is.
    if (word == QLatin1String("00"))
        return;
    window().setCaption(kErrorCaption + reply);
    window().repaint();
    MsgBox(window(), QStringLiteral("Λάθος : %1\r%2").arg(shared().lastResultCode).arg(reply), mb::Critical);
}

void FiscalTec::WaitEcrErrorCleared()
{
    qint16 status = QueryEcrStatus();
    if (noPendingError(status))
        return;
    appendResult(errorLine(status));
    auto dialog = window().createWaitDialog(true);
    shared().waitCancel = false;
    dialog->setTitle(kWaitTitle);
    dialog->setMessage(EcrErrorText(QString::number(status)));
    dialog->setDescription(kWaitLine);
    dialog->show();
    dialog->redraw();
    while (!noPendingError(status)) {
        if (shared().waitCancel) {
            // Closing the dialog is the operator's way out of the wait; the
            // line is written once and the caller goes on.
            dialog->close();
            appendResult(QStringLiteral("Ecr Err: Terminated by the user, ") + now());
            return;
        }
        Clock::instance().pause(kStatusPollInterval);
        window().processEvents();
        // Checked before asking again: the status exchange clears the flag
        // when the register answers, and a close seen here would be lost.
        if (shared().waitCancel)
            continue;
        const qint16 previous = status;
        status = QueryEcrStatus();
        dialog->setMessage(EcrErrorText(QString::number(status)));
        dialog->redraw();
        if (!noPendingError(status) && status != previous)
            appendResult(errorLine(status));
    }
    appendResult(QStringLiteral("Ecr Err: Cleared OK, ") + now());
    dialog->close();
}

} // namespace dravimo
