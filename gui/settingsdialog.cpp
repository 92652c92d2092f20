#include "gui/settingsdialog.h"

#include "core/window.h"
#include "settings/settings.h"
#include "settings/vats.h"

#include <QCheckBox>
#include <QCloseEvent>
#include <QComboBox>
#include <QFormLayout>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QTimer>
#include <QVBoxLayout>

namespace dravimo {
namespace {

QLineEdit *limitedBox(const char *name, int limit)
{
    auto *box = new QLineEdit;
    box->setObjectName(QLatin1String(name));
    box->setMaxLength(limit);
    return box;
}

} // namespace

SettingsDialog::SettingsDialog(Window &boxes, Clock &clock, std::function<Connection()> connection, QWidget *parent)
    : QWidget(parent, Qt::Window), boxes_(boxes), clock_(clock), connection_(std::move(connection))
{
    setObjectName(QStringLiteral("SettingsDialog"));
    setWindowTitle(QStringLiteral("Παράμετροι Dravimo"));
    auto *columns = new QHBoxLayout(this);
    auto *left = new QVBoxLayout;
    left->addWidget(buildConnection());
    left->addWidget(buildOptions());
    left->addStretch();
    auto *right = new QVBoxLayout;
    right->addWidget(buildCodeFrame());
    right->addWidget(buildCurrencyFrame());
    right->addWidget(buildVatFrame());
    auto *buttons = new QHBoxLayout;
    restore_ = new QPushButton(QStringLiteral("Eπαναφορα"));
    restore_->setObjectName(QStringLiteral("restore"));
    confirm_ = new QPushButton(QStringLiteral("Kαταχωρηση"));
    confirm_->setObjectName(QStringLiteral("OK"));
    buttons->addWidget(restore_);
    buttons->addWidget(confirm_);
    right->addLayout(buttons);
    right->addStretch();
    columns->addLayout(left);
    columns->addLayout(right);
    connect(restore_, &QPushButton::clicked, this, &SettingsDialog::restore);
    connect(confirm_, &QPushButton::clicked, this, &SettingsDialog::confirm);
}

QWidget *SettingsDialog::buildConnection()
{
    auto *box = new QWidget;
    auto *form = new QFormLayout(box);
    form->setContentsMargins(0, 0, 0, 0);
    port_ = limitedBox("comtxt", kPortLength);
    baud_ = limitedBox("baudtxt", kBaudLength);
    auto *port = new QHBoxLayout;
    port->addWidget(port_);
    port->addWidget(baud_);
    form->addRow(QStringLiteral("Πορτα σειριακή / IP"), port);
    // A network address has no baud rate; the box goes while the port text
    // holds a ".".
    connect(port_, &QLineEdit::textChanged, this,
            [this](const QString &text) { baud_->setHidden(text.contains(QLatin1Char('.'))); });
    file_ = limitedBox("filetxt", kFileLength);
    form->addRow(QStringLiteral("Αρχειο"), file_);
    machineType_ = new QComboBox;
    machineType_->setObjectName(QStringLiteral("typetxt"));
    machineType_->setEditable(true);
    machineType_->addItems({QStringLiteral("MikroPos"), QStringLiteral("Pos21")});
    form->addRow(QStringLiteral("Ταμειακη"), machineType_);
    location_ = new QLineEdit;
    location_->setObjectName(QStringLiteral("location"));
    form->addRow(QStringLiteral("Διαδρομη"), location_);
    return box;
}

QCheckBox *SettingsDialog::addCheck(const char *name, const QString &caption)
{
    auto *check = new QCheckBox(caption);
    check->setObjectName(QLatin1String(name));
    return check;
}

QWidget *SettingsDialog::buildOptions()
{
    auto *box = new QWidget;
    auto *column = new QVBoxLayout(box);
    column->setContentsMargins(0, 0, 0, 0);
    multiFile_ = addCheck("multi_print", QStringLiteral("Print Manager"));
    descriptions_ = addCheck("descreption", QStringLiteral("Mε Περιγραφη"));
    comments_ = addCheck("comments", QStringLiteral("Mε Σχολια"));
    quantity_ = addCheck("quantity", QStringLiteral("Mε Εκτυπωση Ποσοτητας"));
    keyboardLocked_ = addCheck("keyb_locked", QStringLiteral("Κλειδωμενο Πληκτρολογιο"));
    directDepartments_ = addCheck("dirdep", QStringLiteral("Direct Deparment"));
    autoStart_ = addCheck("ChkAuto", QStringLiteral("Αυτόματη Έναρξη Εκτυπώσεων"));
    for (QCheckBox *c :
         {multiFile_, descriptions_, comments_, quantity_, keyboardLocked_, directDepartments_, autoStart_})
        column->addWidget(c);
    return box;
}

// At most one code option is ticked: ticking either one unticks the other.
QWidget *SettingsDialog::buildCodeFrame()
{
    auto *frame = new QGroupBox(QStringLiteral("Εκτυπωση Κωδικου Ειδους"));
    auto *column = new QVBoxLayout(frame);
    alphanumericCodes_ = addCheck("print_code_ascii", QStringLiteral("Με Εκτυπωση Κωδικου Ascii"));
    numericCodes_ = addCheck("print_code_numeric", QStringLiteral("Mε Εκτυπωση Κωδικου Αριθμητικου"));
    column->addWidget(alphanumericCodes_);
    column->addWidget(numericCodes_);
    connect(alphanumericCodes_, &QCheckBox::toggled, this, [this](bool on) {
        if (on)
            numericCodes_->setChecked(false);
    });
    connect(numericCodes_, &QCheckBox::toggled, this, [this](bool on) {
        if (on)
            alphanumericCodes_->setChecked(false);
    });
    return frame;
}

QWidget *SettingsDialog::buildCurrencyFrame()
{
    auto *frame = new QGroupBox(QStringLiteral("Τροπος Εξοφλησης Αποδειξης"));
    auto *column = new QVBoxLayout(frame);
    currencyAsInFile_ = new QRadioButton(QStringLiteral("Οπως Στο Αρχειο"));
    currencyAsInFile_->setObjectName(QStringLiteral("total_file"));
    currencyMain_ = new QRadioButton(QStringLiteral("Παντα Κυριο Νομισμα"));
    currencyMain_->setObjectName(QStringLiteral("total_1"));
    currencySecondary_ = new QRadioButton(QStringLiteral("Παντα Δευτερευων"));
    currencySecondary_->setObjectName(QStringLiteral("total_2"));
    currencyAsInFile_->setChecked(true);
    for (QRadioButton *r : {currencyAsInFile_, currencyMain_, currencySecondary_})
        column->addWidget(r);
    return frame;
}

QWidget *SettingsDialog::buildVatFrame()
{
    auto *frame = new QGroupBox(QStringLiteral("Κατηγορίες ΦΠΑ"));
    auto *grid = new QGridLayout(frame);
    const QString captions[] = {QStringLiteral("Κατηγορία Α'"), QStringLiteral("Κατηγορία Β'"),
                                QStringLiteral("Κατηγορία Γ'"), QStringLiteral("Κατηγορία Δ'"),
                                QStringLiteral("Κατηγορία Ε'")};
    for (int i = 0; i < 5; ++i) {
        auto *box = new QLineEdit(QStringLiteral("0.00"));
        box->setObjectName(QStringLiteral("txtVatRate%1").arg(i));
        box->setMaxLength(kRateLength);
        box->installEventFilter(this);
        vatRates_[std::size_t(i)] = box;
        grid->addWidget(new QLabel(captions[i]), i, 0);
        grid->addWidget(box, i, 1);
    }
    return frame;
}

} // namespace dravimo
