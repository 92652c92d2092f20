#include "gui/paymenttypesdialog.h"

#include "core/numbers.h"
#include "core/window.h"

#include <QCheckBox>
#include <QCloseEvent>
#include <QComboBox>
#include <QCoreApplication>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QStyle>
#include <QTimer>
#include <QToolButton>
#include <QVBoxLayout>

#include <iterator>
#include <memory>

namespace dravimo {
namespace {

const QString kTitle = QStringLiteral("Πληρωμές Καρτών");
const QString kReading = QStringLiteral("Ανάγνωση Ρυθμίσεων Ταμειακής...");
// Shown for a fallback number the register has no payment under.
const QString kNoPayment = QStringLiteral("--------------");

// Refusals: a record built from a box that holds no number would store a
// zero the operator never typed.
const QString kBadPayment = QStringLiteral("Μη έγκυρος αριθμός πληρωμής");
const QString kBadRetries = QStringLiteral("Μη έγκυρος αριθμός προσπαθειών");
const QString kBadFallback = QStringLiteral("Μη έγκυρη εναλλακτική πληρωμή");
const QString kWriteFailed = QStringLiteral("Αδυναμία αποθήκευσης παραμέτρων πληρωμών");

// The dialog was laid out in twips: 1440 to the inch.
constexpr int kTwipsPerInch = 1440;
constexpr int kTwipsDown = 500;
constexpr int kTwipsRight = 250;

QLineEdit *limitedBox(const char *name, int limit)
{
    auto *box = new QLineEdit;
    box->setObjectName(QLatin1String(name));
    box->setMaxLength(limit);
    // Room for the typed characters and a little more, not a whole row.
    box->setFixedWidth(box->fontMetrics().horizontalAdvance(QLatin1Char('W')) * (limit + 2));
    return box;
}

// A typing limit that never cuts a stored value: a record may hold 12
// retries while the box takes one typed digit, and saving must not turn
// them into 1.
void setLimitedText(QLineEdit *box, int limit, const QString &text)
{
    box->setMaxLength(qMax(limit, int(text.size())));
    box->setText(text);
}

QToolButton *pictureButton(const char *name, QStyle::StandardPixmap picture, const QString &tip)
{
    auto *button = new QToolButton;
    button->setObjectName(QLatin1String(name));
    button->setIcon(button->style()->standardIcon(picture));
    button->setIconSize(QSize(24, 24));
    button->setToolTip(tip);
    return button;
}

QLabel *caption(const char *name, const QString &text, QWidget *buddy)
{
    auto *label = new QLabel(text);
    label->setObjectName(QLatin1String(name));
    label->setBuddy(buddy);
    return label;
}

// The entry carrying the stored number, or the first ("---") when no entry
// does.
void selectByData(QComboBox *list, int value)
{
    list->setCurrentIndex(qMax(0, list->findData(value)));
}

std::optional<qint16> boxValue(const QLineEdit *box)
{
    const auto value = NumberFormat::system().value(box->text());
    return value ? toInt16(*value) : std::nullopt;
}

} // namespace

PaymentTypesDialog::PaymentTypesDialog(QWidget *mainWindow, Window &boxes, const QString &fileName)
    : QWidget(nullptr, Qt::Window), mainWindow_(mainWindow), boxes_(boxes), fileName_(fileName)
{
    setObjectName(QStringLiteral("PaymentTypesDialog"));
    setWindowTitle(kTitle);
    auto *layout = new QVBoxLayout(this);
    layout->addLayout(buildFields());
    layout->addLayout(buildButtons());
    setTabChain();
    for (QLineEdit *box : {payment_, retries_, fallback_})
        box->installEventFilter(this);
    connect(find_, &QToolButton::clicked, this, &PaymentTypesDialog::findRecord);
    connect(save_, &QToolButton::clicked, this, &PaymentTypesDialog::saveRecord);
    connect(clear_, &QToolButton::clicked, this, &PaymentTypesDialog::clearRecord);
    connect(exit_, &QToolButton::clicked, this, &PaymentTypesDialog::closeDialog);
    connect(refresh_, &QToolButton::clicked, this, &PaymentTypesDialog::fill);
    connect(fallback_, &QLineEdit::textChanged, this, &PaymentTypesDialog::fallbackEdited);
    resetFields();
}

QLayout *PaymentTypesDialog::buildFields()
{
    payment_ = limitedBox("txtPay", kPayLength);
    find_ = pictureButton("cmdFind", QStyle::SP_FileDialogContentsView, QStringLiteral("Αναζήτηση"));
    ecrPayment_ = new QComboBox;
    ecrPayment_->setObjectName(QStringLiteral("cmbECRPayment"));
    terminal_ = new QComboBox;
    terminal_->setObjectName(QStringLiteral("cmbECREFT"));
    // The lists are filled after the dialog shows, and refilled: sized once
    // at the first show they would cut "EFT Προφορτωμένη".
    for (QComboBox *list : {ecrPayment_, terminal_})
        list->setSizeAdjustPolicy(QComboBox::AdjustToContents);
    refresh_ = pictureButton("cmdRef", QStyle::SP_BrowserReload, QStringLiteral("Ανανέωση λιστών"));
    refresh_->setAutoRaise(true);
    refresh_->setFocusPolicy(Qt::NoFocus);
    cardPayment_ = new QCheckBox(QStringLiteral("Ενεργή"));
    cardPayment_->setObjectName(QStringLiteral("chkActive"));
    retries_ = limitedBox("txtRetries", kRetriesLength);
    fallback_ = limitedBox("txtPayID", kPayIDLength);
    fallbackName_ = limitedBox("txtPAYEDDesc", kDescLength);
    fallbackName_->setReadOnly(true);

    auto *grid = new QGridLayout;
    grid->addWidget(caption("lblPay", QStringLiteral("# πληρωμής Dravimo"), payment_), 0, 0);
    grid->addWidget(payment_, 0, 1);
    grid->addWidget(find_, 0, 2, Qt::AlignLeft);
    grid->addWidget(caption("lblECRPayment", QStringLiteral("# πληρωμής Ταμειακής"), ecrPayment_), 1, 0);
    grid->addWidget(ecrPayment_, 1, 1, 1, 2);
    grid->addWidget(refresh_, 1, 3, Qt::AlignLeft);
    grid->addWidget(caption("lblECREFT", QStringLiteral("# EFT POS"), terminal_), 2, 0);
    grid->addWidget(terminal_, 2, 1, 1, 2);
    grid->addWidget(cardPayment_, 3, 1, 1, 2);
    grid->addWidget(caption("lblRetries", QStringLiteral("Προσπάθειες"), retries_), 4, 0);
    grid->addWidget(retries_, 4, 1);
    grid->addWidget(caption("lblPAYId", QStringLiteral("Εναλλακτική πληρωμή"), fallback_), 5, 0);
    grid->addWidget(fallback_, 5, 1);
    grid->addWidget(fallbackName_, 5, 2, 1, 2);
    grid->setColumnStretch(3, 1);
    return grid;
}

QLayout *PaymentTypesDialog::buildButtons()
{
    save_ = pictureButton("save", QStyle::SP_DialogSaveButton, QStringLiteral("Αποθήκευση"));
    exit_ = pictureButton("cmdexit", QStyle::SP_DialogCloseButton, QStringLiteral("Έξοδος"));
    clear_ = pictureButton("cmddelete", QStyle::SP_TrashIcon, QStringLiteral("Διαγραφή"));
    auto *row = new QHBoxLayout;
    row->addStretch();
    row->addWidget(save_);
    row->addWidget(clear_);
    row->addWidget(exit_);
    return row;
}

void PaymentTypesDialog::setTabChain()
{
    QWidget *const chain[] = {payment_,  find_, ecrPayment_, terminal_, cardPayment_, retries_,
                              fallback_, save_, exit_,       clear_,    fallbackName_};
    for (std::size_t i = 1; i < std::size(chain); ++i)
        setTabOrder(chain[i - 1], chain[i]);
}

// The texts a freshly loaded dialog shows. No fallback name yet: it follows
// the operator's typing or a look-up.
void PaymentTypesDialog::resetFields()
{
    setLimitedText(payment_, kPayLength, QStringLiteral("01"));
    cardPayment_->setChecked(false);
    setLimitedText(retries_, kRetriesLength, QStringLiteral("0"));
    {
        const QSignalBlocker quiet(fallback_);
        setLimitedText(fallback_, kPayIDLength, QStringLiteral("0"));
    }
    fallbackName_->clear();
}

void PaymentTypesDialog::placeBesideMainWindow()
{
    if (!mainWindow_)
        return;
    const QPoint corner = mainWindow_->frameGeometry().topLeft();
    move(corner.x() + kTwipsRight * mainWindow_->logicalDpiX() / kTwipsPerInch,
         corner.y() + kTwipsDown * mainWindow_->logicalDpiY() / kTwipsPerInch);
}

void PaymentTypesDialog::open()
{
    if (!isVisible()) {
        resetFields();
        placeBesideMainWindow();
    }
    fill();
}

void PaymentTypesDialog::fill()
{
    repaint();
    show();
    raise();
    activateWindow();
    repaint();
    QCoreApplication::processEvents();
    terminal_->clear();
    ecrPayment_->clear();
    setWindowTitle(kReading);
    refresh_->hide();
    repaint();
    fillTerminals();
    fillEcrPayments();
    setWindowTitle(kTitle);
    refresh_->show();
    repaint();
    if (mainWindow_)
        mainWindow_->setEnabled(false);
}

void PaymentTypesDialog::fillTerminals()
{
    terminal_->addItem(QStringLiteral("---"), 0);
    for (int n = 1; n <= 4; ++n)
        terminal_->addItem(QStringLiteral("EFTPOS #") + QString::number(n), n);
    terminal_->setCurrentIndex(0);
}

void PaymentTypesDialog::fillEcrPayments()
{
    ecrPayment_->addItem(QStringLiteral("---"), 0);
    ecrPayment_->addItem(QStringLiteral("EFT Πληρωμή"), 2);
    ecrPayment_->addItem(QStringLiteral("EFT Προφορτωμένη"), 3);
    ecrPayment_->addItem(QStringLiteral("EFT Προείσπραξη"), 9);
    ecrPayment_->setCurrentIndex(0);
}

// Silent by design: a number that cannot be read leaves the screen as it is.
void PaymentTypesDialog::findRecord()
{
    const auto n = boxValue(payment_);
    if (!n)
        return;
    if (const auto record = readPaymentTypeRecord(*n, fileName_))
        showRecord(*record);
}

void PaymentTypesDialog::showRecord(const PaymentType &record)
{
    selectByData(ecrPayment_, record.ecrCode);
    selectByData(terminal_, record.terminal);
    // Any non-zero value makes the payment procedure treat the payment as a
    // card payment, so the box shows it ticked.
    cardPayment_->setChecked(record.isActive());
    setLimitedText(retries_, kRetriesLength, QString::number(record.retries));
    setLimitedText(fallback_, kPayIDLength, QString::number(record.fallback));
    // Also when the fallback text did not change: the name always belongs to
    // the number on screen.
    fallbackEdited();
}

std::optional<qint16> PaymentTypesDialog::paymentNumber()
{
    const auto n = boxValue(payment_);
    if (n && *n >= 1)
        return n;
    messageBox(boxes_, kBadPayment, mb::Exclamation);
    return std::nullopt;
}

std::optional<PaymentType> PaymentTypesDialog::recordOnScreen()
{
    const auto n = paymentNumber();
    if (!n)
        return std::nullopt;
    const auto retries = boxValue(retries_);
    if (!retries) {
        messageBox(boxes_, kBadRetries, mb::Exclamation);
        return std::nullopt;
    }
    const auto fallback = boxValue(fallback_);
    if (!fallback) {
        messageBox(boxes_, kBadFallback, mb::Exclamation);
        return std::nullopt;
    }
    return PaymentType{*n,
                       static_cast<qint16>(ecrPayment_->currentData().toInt()),
                       static_cast<qint16>(terminal_->currentData().toInt()),
                       static_cast<qint16>(cardPayment_->isChecked() ? -1 : 0),
                       *retries,
                       *fallback};
}

// A write that fails is told: the operator would otherwise leave believing
// the card payment is set up.
void PaymentTypesDialog::saveRecord()
{
    const auto record = recordOnScreen();
    if (record && writePaymentType(*record, fileName_) != 0)
        messageBox(boxes_, kWriteFailed, mb::Exclamation);
}

// The screen keeps the old values, so a mistaken clear can be saved back.
void PaymentTypesDialog::clearRecord()
{
    const auto n = paymentNumber();
    if (n && clearPaymentType(*n, fileName_) != 0)
        messageBox(boxes_, kWriteFailed, mb::Exclamation);
}

void PaymentTypesDialog::closeDialog()
{
    close();
}

void PaymentTypesDialog::fallbackEdited()
{
    const auto number = boxValue(fallback_);
    if (!number)
        return;
    EcrPaymentName description;
    fallbackName_->setText(describeEcrPayment(*number, description) == 0 ? description.name() : kNoPayment);
}

void PaymentTypesDialog::closeEvent(QCloseEvent *event)
{
    event->accept();
    if (mainWindow_)
        mainWindow_->setEnabled(true);
    emit unloaded();
}

// A number box selects its whole text when it gets the focus, so a new value
// is typed over the old one. Deferred: the click that brought the focus
// would otherwise place the caret and undo the selection.
bool PaymentTypesDialog::eventFilter(QObject *watched, QEvent *event)
{
    if (event->type() == QEvent::FocusIn) {
        if (auto *box = qobject_cast<QLineEdit *>(watched))
            QTimer::singleShot(0, box, [box] { box->selectAll(); });
    }
    return QWidget::eventFilter(watched, event);
}

std::function<void()> paymentTypesDialogOpener(QWidget *mainWindow, Window &boxes)
{
    auto dialog = std::make_shared<QPointer<PaymentTypesDialog>>();
    return [mainWindow, &boxes, dialog] {
        if (!*dialog) {
            *dialog = new PaymentTypesDialog(mainWindow, boxes);
            // Not a child (see frmeft.h), so it goes when the main window does.
            QObject::connect(mainWindow, &QObject::destroyed, dialog->data(), [d = dialog->data()] { delete d; });
        }
        (*dialog)->open();
    };
}

} // namespace dravimo
