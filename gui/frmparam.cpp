#include "gui/frmparam.h"

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

frmparam::frmparam(Window &boxes, Clock &clock, std::function<Connection()> connection, QWidget *parent)
    : QWidget(parent, Qt::Window), boxes_(boxes), clock_(clock), connection_(std::move(connection))
{
    setObjectName(QStringLiteral("frmparam"));
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
    OK_ = new QPushButton(QStringLiteral("Kαταχωρηση"));
    OK_->setObjectName(QStringLiteral("OK"));
    buttons->addWidget(restore_);
    buttons->addWidget(OK_);
    right->addLayout(buttons);
    right->addStretch();
    columns->addLayout(left);
    columns->addLayout(right);
    connect(restore_, &QPushButton::clicked, this, &frmparam::restore_Click);
    connect(OK_, &QPushButton::clicked, this, &frmparam::OK_Click);
}

QWidget *frmparam::buildConnection()
{
    auto *box = new QWidget;
    auto *form = new QFormLayout(box);
    form->setContentsMargins(0, 0, 0, 0);
    comtxt_ = limitedBox("comtxt", kPortLength);
    baudtxt_ = limitedBox("baudtxt", kBaudLength);
    auto *port = new QHBoxLayout;
    port->addWidget(comtxt_);
    port->addWidget(baudtxt_);
    form->addRow(QStringLiteral("Πορτα σειριακή / IP"), port);
    // A network address has no baud rate; the box goes while the port text
    // holds a ".".
    connect(comtxt_, &QLineEdit::textChanged, this,
            [this](const QString &text) { baudtxt_->setHidden(text.contains(QLatin1Char('.'))); });
    filetxt_ = limitedBox("filetxt", kFileLength);
    form->addRow(QStringLiteral("Αρχειο"), filetxt_);
    typetxt_ = new QComboBox;
    typetxt_->setObjectName(QStringLiteral("typetxt"));
    typetxt_->setEditable(true);
    typetxt_->addItems({QStringLiteral("MikroPos"), QStringLiteral("Pos21")});
    form->addRow(QStringLiteral("Ταμειακη"), typetxt_);
    location_ = new QLineEdit;
    location_->setObjectName(QStringLiteral("location"));
    form->addRow(QStringLiteral("Διαδρομη"), location_);
    return box;
}

QCheckBox *frmparam::addCheck(const char *name, const QString &caption)
{
    auto *check = new QCheckBox(caption);
    check->setObjectName(QLatin1String(name));
    return check;
}

QWidget *frmparam::buildOptions()
{
    auto *box = new QWidget;
    auto *column = new QVBoxLayout(box);
    column->setContentsMargins(0, 0, 0, 0);
    multi_print_ = addCheck("multi_print", QStringLiteral("Print Manager"));
    descreption_ = addCheck("descreption", QStringLiteral("Mε Περιγραφη"));
    comments_ = addCheck("comments", QStringLiteral("Mε Σχολια"));
    quantity_ = addCheck("quantity", QStringLiteral("Mε Εκτυπωση Ποσοτητας"));
    keyb_locked_ = addCheck("keyb_locked", QStringLiteral("Κλειδωμενο Πληκτρολογιο"));
    dirdep_ = addCheck("dirdep", QStringLiteral("Direct Deparment"));
    ChkAuto_ = addCheck("ChkAuto", QStringLiteral("Αυτόματη Έναρξη Εκτυπώσεων"));
    for (QCheckBox *c : {multi_print_, descreption_, comments_, quantity_, keyb_locked_, dirdep_, ChkAuto_})
        column->addWidget(c);
    return box;
}

// At most one code option is ticked: ticking either one unticks the other.
QWidget *frmparam::buildCodeFrame()
{
    auto *frame = new QGroupBox(QStringLiteral("Εκτυπωση Κωδικου Ειδους"));
    auto *column = new QVBoxLayout(frame);
    print_code_ascii_ = addCheck("print_code_ascii", QStringLiteral("Με Εκτυπωση Κωδικου Ascii"));
    print_code_numeric_ = addCheck("print_code_numeric", QStringLiteral("Mε Εκτυπωση Κωδικου Αριθμητικου"));
    column->addWidget(print_code_ascii_);
    column->addWidget(print_code_numeric_);
    connect(print_code_ascii_, &QCheckBox::toggled, this, [this](bool on) {
        if (on)
            print_code_numeric_->setChecked(false);
    });
    connect(print_code_numeric_, &QCheckBox::toggled, this, [this](bool on) {
        if (on)
            print_code_ascii_->setChecked(false);
    });
    return frame;
}

QWidget *frmparam::buildCurrencyFrame()
{
    auto *frame = new QGroupBox(QStringLiteral("Τροπος Εξοφλησης Αποδειξης"));
    auto *column = new QVBoxLayout(frame);
    total_file_ = new QRadioButton(QStringLiteral("Οπως Στο Αρχειο"));
    total_file_->setObjectName(QStringLiteral("total_file"));
    total_1_ = new QRadioButton(QStringLiteral("Παντα Κυριο Νομισμα"));
    total_1_->setObjectName(QStringLiteral("total_1"));
    total_2_ = new QRadioButton(QStringLiteral("Παντα Δευτερευων"));
    total_2_->setObjectName(QStringLiteral("total_2"));
    total_file_->setChecked(true);
    for (QRadioButton *r : {total_file_, total_1_, total_2_})
        column->addWidget(r);
    return frame;
}

QWidget *frmparam::buildVatFrame()
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
        txtVatRate_[std::size_t(i)] = box;
        grid->addWidget(new QLabel(captions[i]), i, 0);
        grid->addWidget(box, i, 1);
    }
    return frame;
}

} // namespace dravimo
