#include "gui/frmeft.h"

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

frmEFT::frmEFT(QWidget *mainWindow, Window &boxes, const QString &fileName)
    : QWidget(nullptr, Qt::Window), mainWindow_(mainWindow), boxes_(boxes), fileName_(fileName)
{
    setObjectName(QStringLiteral("frmEFT"));
    setWindowTitle(kTitle);
    auto *layout = new QVBoxLayout(this);
    layout->addLayout(buildFields());
    layout->addLayout(buildButtons());
    setTabChain();
    for (QLineEdit *box : {txtPay_, txtRetries_, txtPayID_})
        box->installEventFilter(this);
    connect(cmdFind_, &QToolButton::clicked, this, &frmEFT::cmdFind_Click);
    connect(save_, &QToolButton::clicked, this, &frmEFT::save_Click);
    connect(cmddelete_, &QToolButton::clicked, this, &frmEFT::cmddelete_Click);
    connect(cmdexit_, &QToolButton::clicked, this, &frmEFT::cmdexit_Click);
    connect(cmdRef_, &QToolButton::clicked, this, &frmEFT::fill);
    connect(txtPayID_, &QLineEdit::textChanged, this, &frmEFT::txtPayID_Change);
    resetFields();
}

QLayout *frmEFT::buildFields()
{
    txtPay_ = limitedBox("txtPay", kPayLength);
    cmdFind_ = pictureButton("cmdFind", QStyle::SP_FileDialogContentsView, QStringLiteral("Αναζήτηση"));
    cmbECRPayment_ = new QComboBox;
    cmbECRPayment_->setObjectName(QStringLiteral("cmbECRPayment"));
    cmbECREFT_ = new QComboBox;
    cmbECREFT_->setObjectName(QStringLiteral("cmbECREFT"));
    // The lists are filled after the dialog shows, and refilled: sized once
    // at the first show they would cut "EFT Προφορτωμένη".
    for (QComboBox *list : {cmbECRPayment_, cmbECREFT_})
        list->setSizeAdjustPolicy(QComboBox::AdjustToContents);
    cmdRef_ = pictureButton("cmdRef", QStyle::SP_BrowserReload, QStringLiteral("Ανανέωση λιστών"));
    cmdRef_->setAutoRaise(true);
    cmdRef_->setFocusPolicy(Qt::NoFocus);
    chkActive_ = new QCheckBox(QStringLiteral("Ενεργή"));
    chkActive_->setObjectName(QStringLiteral("chkActive"));
    txtRetries_ = limitedBox("txtRetries", kRetriesLength);
    txtPayID_ = limitedBox("txtPayID", kPayIDLength);
    txtPAYEDDesc_ = limitedBox("txtPAYEDDesc", kDescLength);
    txtPAYEDDesc_->setReadOnly(true);

    auto *grid = new QGridLayout;
    grid->addWidget(caption("lblPay", QStringLiteral("# πληρωμής Dravimo"), txtPay_), 0, 0);
    grid->addWidget(txtPay_, 0, 1);
    grid->addWidget(cmdFind_, 0, 2, Qt::AlignLeft);
    grid->addWidget(caption("lblECRPayment", QStringLiteral("# πληρωμής Ταμειακής"), cmbECRPayment_), 1, 0);
    grid->addWidget(cmbECRPayment_, 1, 1, 1, 2);
    grid->addWidget(cmdRef_, 1, 3, Qt::AlignLeft);
    grid->addWidget(caption("lblECREFT", QStringLiteral("# EFT POS"), cmbECREFT_), 2, 0);
    grid->addWidget(cmbECREFT_, 2, 1, 1, 2);
    grid->addWidget(chkActive_, 3, 1, 1, 2);
    grid->addWidget(caption("lblRetries", QStringLiteral("Προσπάθειες"), txtRetries_), 4, 0);
    grid->addWidget(txtRetries_, 4, 1);
    grid->addWidget(caption("lblPAYId", QStringLiteral("Εναλλακτική πληρωμή"), txtPayID_), 5, 0);
    grid->addWidget(txtPayID_, 5, 1);
    grid->addWidget(txtPAYEDDesc_, 5, 2, 1, 2);
    grid->setColumnStretch(3, 1);
    return grid;
}

QLayout *frmEFT::buildButtons()
{
    save_ = pictureButton("save", QStyle::SP_DialogSaveButton, QStringLiteral("Αποθήκευση"));
    cmdexit_ = pictureButton("cmdexit", QStyle::SP_DialogCloseButton, QStringLiteral("Έξοδος"));
    cmddelete_ = pictureButton("cmddelete", QStyle::SP_TrashIcon, QStringLiteral("Διαγραφή"));
    auto *row = new QHBoxLayout;
    row->addStretch();
    row->addWidget(save_);
    row->addWidget(cmddelete_);
    row->addWidget(cmdexit_);
    return row;
}

void frmEFT::setTabChain()
{
    QWidget *const chain[] = {txtPay_,   cmdFind_, cmbECRPayment_, cmbECREFT_, chkActive_,   txtRetries_,
                              txtPayID_, save_,    cmdexit_,       cmddelete_, txtPAYEDDesc_};
    for (std::size_t i = 1; i < std::size(chain); ++i)
        setTabOrder(chain[i - 1], chain[i]);
}

// The texts a freshly loaded dialog shows. No fallback name yet: it follows
// the operator's typing or a look-up.
void frmEFT::resetFields()
{
    setLimitedText(txtPay_, kPayLength, QStringLiteral("01"));
    chkActive_->setChecked(false);
    setLimitedText(txtRetries_, kRetriesLength, QStringLiteral("0"));
    {
        const QSignalBlocker quiet(txtPayID_);
        setLimitedText(txtPayID_, kPayIDLength, QStringLiteral("0"));
    }
    txtPAYEDDesc_->clear();
}

void frmEFT::placeBesideMainWindow()
{
    if (!mainWindow_)
        return;
    const QPoint corner = mainWindow_->frameGeometry().topLeft();
    move(corner.x() + kTwipsRight * mainWindow_->logicalDpiX() / kTwipsPerInch,
         corner.y() + kTwipsDown * mainWindow_->logicalDpiY() / kTwipsPerInch);
}

void frmEFT::open()
{
    if (!isVisible()) {
        resetFields();
        placeBesideMainWindow();
    }
    fill();
}

void frmEFT::fill()
{
    repaint();
    show();
    raise();
    activateWindow();
    repaint();
    QCoreApplication::processEvents();
    cmbECREFT_->clear();
    cmbECRPayment_->clear();
    setWindowTitle(kReading);
    cmdRef_->hide();
    repaint();
    fillTerminals();
    fillEcrPayments();
    setWindowTitle(kTitle);
    cmdRef_->show();
    repaint();
    if (mainWindow_)
        mainWindow_->setEnabled(false);
}

void frmEFT::fillTerminals()
{
    cmbECREFT_->addItem(QStringLiteral("---"), 0);
    for (int n = 1; n <= 4; ++n)
        cmbECREFT_->addItem(QStringLiteral("EFTPOS #") + QString::number(n), n);
    cmbECREFT_->setCurrentIndex(0);
}

void frmEFT::fillEcrPayments()
{
    cmbECRPayment_->addItem(QStringLiteral("---"), 0);
    cmbECRPayment_->addItem(QStringLiteral("EFT Πληρωμή"), 2);
    cmbECRPayment_->addItem(QStringLiteral("EFT Προφορτωμένη"), 3);
    cmbECRPayment_->addItem(QStringLiteral("EFT Προείσπραξη"), 9);
    cmbECRPayment_->setCurrentIndex(0);
}

// Silent by design: a number that cannot be read leaves the screen as it is.
void frmEFT::cmdFind_Click()
{
    const auto n = boxValue(txtPay_);
    if (!n)
        return;
    if (const auto record = ReadPaymentTypeRecord(*n, fileName_))
        showRecord(*record);
}

void frmEFT::showRecord(const PaymentType &record)
{
    selectByData(cmbECRPayment_, record.ecrCode);
    selectByData(cmbECREFT_, record.terminal);
    // Any non-zero value makes the payment procedure treat the payment as a
    // card payment, so the box shows it ticked.
    chkActive_->setChecked(record.isActive());
    setLimitedText(txtRetries_, kRetriesLength, QString::number(record.retries));
    setLimitedText(txtPayID_, kPayIDLength, QString::number(record.fallback));
    // Also when the fallback text did not change: the name always belongs to
    // the number on screen.
    txtPayID_Change();
}

std::optional<qint16> frmEFT::paymentNumber()
{
    const auto n = boxValue(txtPay_);
    if (n && *n >= 1)
        return n;
    MsgBox(boxes_, kBadPayment, mb::Exclamation);
    return std::nullopt;
}

std::optional<PaymentType> frmEFT::recordOnScreen()
{
    const auto n = paymentNumber();
    if (!n)
        return std::nullopt;
    const auto retries = boxValue(txtRetries_);
    if (!retries) {
        MsgBox(boxes_, kBadRetries, mb::Exclamation);
        return std::nullopt;
    }
    const auto fallback = boxValue(txtPayID_);
    if (!fallback) {
        MsgBox(boxes_, kBadFallback, mb::Exclamation);
        return std::nullopt;
    }
    return PaymentType{*n,
                       static_cast<qint16>(cmbECRPayment_->currentData().toInt()),
                       static_cast<qint16>(cmbECREFT_->currentData().toInt()),
                       static_cast<qint16>(chkActive_->isChecked() ? -1 : 0),
                       *retries,
                       *fallback};
}

// A write that fails is told: the operator would otherwise leave believing
// the card payment is set up.
void frmEFT::save_Click()
{
    const auto record = recordOnScreen();
    if (record && WritePaymentType(*record, fileName_) != 0)
        MsgBox(boxes_, kWriteFailed, mb::Exclamation);
}

// The screen keeps the old values, so a mistaken clear can be saved back.
void frmEFT::cmddelete_Click()
{
    const auto n = paymentNumber();
    if (n && ClearPaymentType(*n, fileName_) != 0)
        MsgBox(boxes_, kWriteFailed, mb::Exclamation);
}

void frmEFT::cmdexit_Click()
{
    close();
}

void frmEFT::txtPayID_Change()
{
    const auto number = boxValue(txtPayID_);
    if (!number)
        return;
    clsPay description;
    txtPAYEDDesc_->setText(DescribePayment(*number, description) == 0 ? description.PAY_Name() : kNoPayment);
}

void frmEFT::closeEvent(QCloseEvent *event)
{
    event->accept();
    if (mainWindow_)
        mainWindow_->setEnabled(true);
    emit unloaded();
}

// A number box selects its whole text when it gets the focus, so a new value
// is typed over the old one. Deferred: the click that brought the focus
// would otherwise place the caret and undo the selection.
bool frmEFT::eventFilter(QObject *watched, QEvent *event)
{
    if (event->type() == QEvent::FocusIn) {
        if (auto *box = qobject_cast<QLineEdit *>(watched))
            QTimer::singleShot(0, box, [box] { box->selectAll(); });
    }
    return QWidget::eventFilter(watched, event);
}

std::function<void()> CardSettingsOpener(QWidget *mainWindow, Window &boxes)
{
    auto dialog = std::make_shared<QPointer<frmEFT>>();
    return [mainWindow, &boxes, dialog] {
        if (!*dialog) {
            *dialog = new frmEFT(mainWindow, boxes);
            // Not a child (see frmeft.h), so it goes when the main window does.
            QObject::connect(mainWindow, &QObject::destroyed, dialog->data(), [d = dialog->data()] { delete d; });
        }
        (*dialog)->open();
    };
}

} // namespace dravimo
