// SettingsDialog's behaviour: load, restore, confirm, and closing.

#include "core/clock.h"
#include "core/window.h"
#include "gui/settingsdialog.h"
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

void SettingsDialog::open()
{
    show();
    raise();
    activateWindow();
    load();
}

void SettingsDialog::load()
{
    emit loaded();
    // A param.ini that cannot be read leaves the controls as they are: the
    // operator is here to write a new one.
    const Connection current = connection_();
    const auto s = readSettingsFile(SettingsVariant::Dialog, current);
    loadConnection(s ? s->connection : current);
    if (s) {
        setLimitedText(file_, kFileLength, s->file);
        if (s->translation.ecrModel == EcrModel::Mikro)
            machineType_->setCurrentIndex(0);
        else if (s->translation.ecrModel == EcrModel::Pos21)
            machineType_->setCurrentIndex(1);
        loadChecks(*s);
        location_->setText(s->location);
    }
    const auto rates = loadVatRates();
    for (std::size_t i = 0; i < rates.size(); ++i)
        setLimitedText(vatRates_[i], kRateLength, rates[i]);
    update();
}

// The port text is the connection text up to its first ":", the baud the
// part after it (up to a second ":"); no ":" leaves the baud box empty.
void SettingsDialog::loadConnection(const Connection &connection)
{
    const QStringList parts = connection.text.split(QLatin1Char(':'));
    setLimitedText(port_, kPortLength, parts.value(0));
    setLimitedText(baud_, kBaudLength, parts.value(1));
}

void SettingsDialog::loadChecks(const Settings &s)
{
    const TranslationOptions &t = s.translation;
    multiFile_->setChecked(s.fileMode == FileMode::Multi);
    descriptions_->setChecked(s.descriptionsOn);
    comments_->setChecked(s.commentsOn);
    quantity_->setChecked(s.quantityOn);
    keyboardLocked_->setChecked(t.keyboardLocked);
    directDepartments_->setChecked(t.departmentFromLine);
    if (t.itemCodes == ItemCodes::Numeric) {
        numericCodes_->setChecked(true);
    } else if (t.itemCodes == ItemCodes::Alphanumeric) {
        alphanumericCodes_->setChecked(true);
    } else if (t.itemCodes == ItemCodes::None) {
        alphanumericCodes_->setChecked(false);
        numericCodes_->setChecked(false);
    }
    if (t.currency == Currency::AsInFile)
        currencyAsInFile_->setChecked(true);
    else if (t.currency == Currency::Main)
        currencyMain_->setChecked(true);
    else if (t.currency == Currency::Secondary)
        currencySecondary_->setChecked(true);
    // Ticked by a file that asks for it, never unticked here.
    if (s.autoStart)
        autoStart_->setChecked(true);
}

void SettingsDialog::restore()
{
    port_->setText(QStringLiteral("0"));
    baud_->setText(QStringLiteral("0"));
    file_->clear();
    machineType_->setCurrentIndex(0);
    for (QCheckBox *c : {multiFile_, descriptions_, alphanumericCodes_, numericCodes_, comments_, quantity_,
                         keyboardLocked_, directDepartments_})
        c->setChecked(false);
    currencyAsInFile_->setChecked(true);
    location_->setText(QStringLiteral(" "));
    load();
}

void SettingsDialog::confirm()
{
    if (baud_->isHidden() && !port_->text().contains(QLatin1Char(':')))
        baud_->setText(QStringLiteral("5012"));
    if (!writeSettings())
        return;
    if (!saveVatRates())
        return;
    messageBox(boxes_, QStringLiteral("Πρεπει να επανεκκινησετε το Dravimo για ενεργοποιηση των μεταβολων "),
               mb::Critical, QStringLiteral("Dravimo-Προσοχη"));
    close();
    emit confirmed();
}

// A param.ini that could not be written is reported and the dialog stays
// open: ending the program as if the settings had been saved would lose them.
bool SettingsDialog::writeSettings()
{
    SettingsDialogValues v;
    v.port = port_->text();
    v.baud = baud_->text();
    v.file = file_->text();
    v.machineType = machineType_->currentText();
    v.multi = multiFile_->isChecked();
    v.description = descriptions_->isChecked();
    v.codeAscii = alphanumericCodes_->isChecked();
    v.codeNumeric = numericCodes_->isChecked();
    v.comments = comments_->isChecked();
    v.currency = currencySecondary_->isChecked() ? 2 : currencyMain_->isChecked() ? 1 : 0;
    v.keyboardLocked = keyboardLocked_->isChecked();
    v.directDepartment = directDepartments_->isChecked();
    v.quantity = quantity_->isChecked();
    v.autoStart = autoStart_->isChecked();
    v.location = location_->text();
    if (writeSettingsFile(v, clock_.wallNow().date()))
        return true;
    messageBox(boxes_, QStringLiteral("Λάθος κατά την αποθήκευση του param.ini!"), mb::Exclamation);
    return false;
}

// False only when a rate is not a number; a failed save is reported and the
// confirm goes on, as the rates then keep their old values.
bool SettingsDialog::saveVatRates()
{
    std::array<QString, 5> boxes;
    for (std::size_t i = 0; i < boxes.size(); ++i)
        boxes[i] = vatRates_[i]->text();
    VatRates rates{};
    const bool collected = collectVatRates(boxes, rates);
    for (std::size_t i = 0; i < boxes.size(); ++i)
        setLimitedText(vatRates_[i], kRateLength, boxes[i]);
    if (!collected) {
        messageBox(boxes_, QStringLiteral("Λάθος στίς κατηγορίες ΦΠΑ!"), mb::Exclamation);
        return false;
    }
    if (!dravimo::saveVatRates(rates))
        messageBox(boxes_, QStringLiteral("Λάθος κατά την αποθήκευση τών κατηγορίών ΦΠΑ!"), mb::Exclamation);
    return true;
}

void SettingsDialog::closeEvent(QCloseEvent *event)
{
    event->accept();
    emit unloaded();
}

// A rate box selects its whole text when it gets the focus, so a new rate is
// typed over the old one. Deferred: the click that brought the focus would
// otherwise place the caret and undo the selection.
bool SettingsDialog::eventFilter(QObject *watched, QEvent *event)
{
    if (event->type() == QEvent::FocusIn) {
        if (auto *box = qobject_cast<QLineEdit *>(watched))
            QTimer::singleShot(0, box, [box] { box->selectAll(); });
    }
    return QWidget::eventFilter(watched, event);
}

} // namespace dravimo
