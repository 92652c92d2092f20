// frmparam's behaviour: load, restore, confirm, and closing.

#include "core/clock.h"
#include "core/window.h"
#include "gui/frmparam.h"
#include "settings/settings.h"
#include "settings/vats.h"

#include <QCheckBox>
#include <QCloseEvent>
#include <QComboBox>
#include <QLineEdit>
#include <QRadioButton>
#include <QTimer>

namespace dravimo {
namespace {

// A typing limit that never cuts a value loaded from the files: a [file]
// value may hold 30 characters while its box takes 12 typed ones, and
// confirming must not lose the rest.
void setLimitedText(QLineEdit *box, int limit, const QString &text)
{
    box->setMaxLength(qMax(limit, int(text.size())));
    box->setText(text);
}

} // namespace

void frmparam::open()
{
    show();
    raise();
    activateWindow();
    load();
}

void frmparam::load()
{
    emit loaded();
    // A param.ini that cannot be read leaves the controls as they are: the
    // operator is here to write a new one.
    const Connection current = connection_();
    const auto s = readSettingsFile(SettingsVariant::Dialog, current);
    loadConnection(s ? s->connection : current);
    if (s) {
        setLimitedText(filetxt_, kFileLength, s->file);
        if (s->translation.ecrModel == EcrModel::Mikro)
            typetxt_->setCurrentIndex(0);
        else if (s->translation.ecrModel == EcrModel::Pos21)
            typetxt_->setCurrentIndex(1);
        loadChecks(*s);
        location_->setText(s->location);
    }
    const auto rates = LoadVatRates();
    for (std::size_t i = 0; i < rates.size(); ++i)
        setLimitedText(txtVatRate_[i], kRateLength, rates[i]);
    update();
}

// The port text is the connection text up to its first ":", the baud the
// part after it (up to a second ":"); no ":" leaves the baud box empty.
void frmparam::loadConnection(const Connection &connection)
{
    const QStringList parts = connection.text.split(QLatin1Char(':'));
    setLimitedText(comtxt_, kPortLength, parts.value(0));
    setLimitedText(baudtxt_, kBaudLength, parts.value(1));
}

void frmparam::loadChecks(const Settings &s)
{
    const TranslationOptions &t = s.translation;
    multi_print_->setChecked(s.fileMode == FileMode::Multi);
    descreption_->setChecked(s.descriptionsOn);
    comments_->setChecked(s.commentsOn);
    quantity_->setChecked(s.quantityOn);
    keyb_locked_->setChecked(t.keyboardLocked);
    dirdep_->setChecked(t.departmentFromLine);
    if (t.itemCodes == ItemCodes::Numeric) {
        print_code_numeric_->setChecked(true);
    } else if (t.itemCodes == ItemCodes::Alphanumeric) {
        print_code_ascii_->setChecked(true);
    } else if (t.itemCodes == ItemCodes::None) {
        print_code_ascii_->setChecked(false);
        print_code_numeric_->setChecked(false);
    }
    if (t.currency == Currency::AsInFile)
        total_file_->setChecked(true);
    else if (t.currency == Currency::Main)
        total_1_->setChecked(true);
    else if (t.currency == Currency::Secondary)
        total_2_->setChecked(true);
    // Ticked by a file that asks for it, never unticked here.
    if (s.autoStart)
        ChkAuto_->setChecked(true);
}

void frmparam::restore_Click()
{
    comtxt_->setText(QStringLiteral("0"));
    baudtxt_->setText(QStringLiteral("0"));
    filetxt_->clear();
    typetxt_->setCurrentIndex(0);
    for (QCheckBox *c : {multi_print_, descreption_, print_code_ascii_, print_code_numeric_, comments_, quantity_,
                         keyb_locked_, dirdep_})
        c->setChecked(false);
    total_file_->setChecked(true);
    location_->setText(QStringLiteral(" "));
    load();
}

void frmparam::OK_Click()
{
    if (baudtxt_->isHidden() && !comtxt_->text().contains(QLatin1Char(':')))
        baudtxt_->setText(QStringLiteral("5012"));
    if (!writeSettings())
        return;
    if (!saveVatRates())
        return;
    MsgBox(boxes_, QStringLiteral("Πρεπει να επανεκκινησετε το Dravimo για ενεργοποιηση των μεταβολων "), mb::Critical,
           QStringLiteral("Dravimo-Προσοχη"));
    close();
    emit confirmed();
}

// A param.ini that could not be written is reported and the dialog stays
// open: ending the program as if the settings had been saved would lose them.
bool frmparam::writeSettings()
{
    SettingsDialogValues v;
    v.port = comtxt_->text();
    v.baud = baudtxt_->text();
    v.file = filetxt_->text();
    v.machineType = typetxt_->currentText();
    v.multi = multi_print_->isChecked();
    v.description = descreption_->isChecked();
    v.codeAscii = print_code_ascii_->isChecked();
    v.codeNumeric = print_code_numeric_->isChecked();
    v.comments = comments_->isChecked();
    v.currency = total_2_->isChecked() ? 2 : total_1_->isChecked() ? 1 : 0;
    v.keyboardLocked = keyb_locked_->isChecked();
    v.directDepartment = dirdep_->isChecked();
    v.quantity = quantity_->isChecked();
    v.autoStart = ChkAuto_->isChecked();
    v.location = location_->text();
    if (writeSettingsFile(v, clock_.wallNow().date()))
        return true;
    MsgBox(boxes_, QStringLiteral("Λάθος κατά την αποθήκευση του param.ini!"), mb::Exclamation);
    return false;
}

// False only when a rate is not a number; a failed save is reported and the
// confirm goes on, as the rates then keep their old values.
bool frmparam::saveVatRates()
{
    std::array<QString, 5> boxes;
    for (std::size_t i = 0; i < boxes.size(); ++i)
        boxes[i] = txtVatRate_[i]->text();
    VatRates rates{};
    const bool collected = CollectVatRates(boxes, rates);
    for (std::size_t i = 0; i < boxes.size(); ++i)
        setLimitedText(txtVatRate_[i], kRateLength, boxes[i]);
    if (!collected) {
        MsgBox(boxes_, QStringLiteral("Λάθος στίς κατηγορίες ΦΠΑ!"), mb::Exclamation);
        return false;
    }
    if (!SaveVatRates(rates))
        MsgBox(boxes_, QStringLiteral("Λάθος κατά την αποθήκευση τών κατηγορίών ΦΠΑ!"), mb::Exclamation);
    return true;
}

void frmparam::closeEvent(QCloseEvent *event)
{
    event->accept();
    emit unloaded();
}

// A rate box selects its whole text when it gets the focus, so a new rate is
// typed over the old one. Deferred: the click that brought the focus would
// otherwise place the caret and undo the selection.
bool frmparam::eventFilter(QObject *watched, QEvent *event)
{
    if (event->type() == QEvent::FocusIn) {
        if (auto *box = qobject_cast<QLineEdit *>(watched))
            QTimer::singleShot(0, box, [box] { box->selectAll(); });
    }
    return QWidget::eventFilter(watched, event);
}

} // namespace dravimo
