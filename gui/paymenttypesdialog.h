#pragma once
// "Πληρωμές Καρτών": the operator looks up, edits, saves and clears the
// card-payment settings of one payment number at a time, one record of
// payeft.dat. Modeless, opened from the main window's menu; the main window
// is disabled from the end of the fill until the dialog closes, so nothing
// else can run a job or reopen it meanwhile.
//
// The dialog is a window of its own, not a child of the main window: a child
// window would be disabled together with its parent.

#include "payments/payeft.h"

#include <QPointer>
#include <QWidget>

#include <functional>

class QCheckBox;
class QComboBox;
class QLineEdit;
class QToolButton;

namespace dravimo {

class Window;

class PaymentTypesDialog : public QWidget
{
    Q_OBJECT

public:
    // mainWindow may be null (then nothing is disabled and the dialog stays
    // where the platform puts it); boxes shows the dialog's messages.
    // fileName is payeft.dat in the working folder unless a caller names
    // another.
    PaymentTypesDialog(QWidget *mainWindow, Window &boxes, const QString &fileName = kPaymentFile);

    // The menu entry: a closed dialog comes back with its initial texts,
    // placed beside the main window, then the fill runs.
    void open();
    // Shows the dialog, refills both lists and disables the main window
    // (also behind cmdRef).
    void fill();

    void findRecord();
    void saveRecord();
    void clearRecord();
    void closeDialog();
    void fallbackEdited();

    // How many characters the operator may type into each box.
    static constexpr int kPayLength = 2;
    static constexpr int kRetriesLength = 1;
    static constexpr int kPayIDLength = 1;
    static constexpr int kDescLength = 15;

signals:
    void unloaded();

protected:
    void closeEvent(QCloseEvent *event) override;
    bool eventFilter(QObject *watched, QEvent *event) override;

private:
    QLayout *buildFields();
    QLayout *buildButtons();
    void setTabChain();
    void resetFields();
    void placeBesideMainWindow();
    void fillTerminals();
    void fillEcrPayments();
    void showRecord(const PaymentType &record);
    std::optional<qint16> paymentNumber();
    std::optional<PaymentType> recordOnScreen();

    QPointer<QWidget> mainWindow_;
    Window &boxes_;
    QString fileName_;
    QLineEdit *payment_ = nullptr;
    QToolButton *find_ = nullptr;
    QComboBox *ecrPayment_ = nullptr;
    QComboBox *terminal_ = nullptr;
    QCheckBox *cardPayment_ = nullptr;
    QLineEdit *retries_ = nullptr;
    QLineEdit *fallback_ = nullptr;
    QToolButton *save_ = nullptr;
    QToolButton *exit_ = nullptr;
    QToolButton *clear_ = nullptr;
    QLineEdit *fallbackName_ = nullptr;
    QToolButton *refresh_ = nullptr;
};

// What the main window's "Παράμετροι Πιστ. Καρτών" runs: one dialog, created
// at the first opening and reused, deleted with the main window.
std::function<void()> paymentTypesDialogOpener(QWidget *mainWindow, Window &boxes);

} // namespace dravimo
