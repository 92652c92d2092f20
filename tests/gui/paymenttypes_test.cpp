// The payment-types dialog on the offscreen platform, driven as the operator
// drives it: typing into the boxes, clicking the picture buttons, and the
// main window's menu entry that opens it.

#include "recordingwindow.h"
#include "testclock.h"

#include "control/controller.h"
#include "core/commlog.h"
#include "core/progressindicator.h"
#include "core/window.h"
#include "gui/mainwindow.h"
#include "gui/paymenttypesdialog.h"
#include "payments/payeft.h"
#include "scriptedregister.h"

#include <QAction>
#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QDir>
#include <QFileInfo>
#include <QLabel>
#include <QLineEdit>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QTest>
#include <QToolButton>

#include <gtest/gtest.h>

#include <utility>

using namespace dravimo;

namespace {

const QString kNoPayment = QStringLiteral("--------------");

struct Box
{
    QString text;
    int code;
};

// Records the boxes the dialog shows; the fixture fails on any a test did not
// ask for.
class BoxWindow : public test::RecordingWindow
{
public:
    int showMessage(const QString &text, int code, const QString &title) override
    {
        boxes.append({text, code});
        EXPECT_EQ(title, kDefaultBoxTitle);
        return defaultButton(code);
    }
    QList<Box> boxes;
};

// What the message box routine makes of a refusal: padded to 40, an
// exclamation, system-modal.
Box refusal(const QString &text)
{
    return {text.leftJustified(40, QLatin1Char(' ')), mb::Exclamation + mb::SystemModal};
}

class PaymentTypesDialogTest : public ::testing::Test
{
protected:
    void SetUp() override
    {
        ASSERT_TRUE(folder.isValid());
        previous = QDir::currentPath();
        QDir::setCurrent(folder.path());
    }
    void TearDown() override
    {
        EXPECT_TRUE(boxes.boxes.isEmpty()) << "unexpected box: " << boxes.boxes.value(0).text.toStdString();
        QDir::setCurrent(previous);
    }

    template <typename T>
    T *control(const char *name)
    {
        auto *c = dialog.findChild<T *>(QLatin1String(name));
        EXPECT_NE(c, nullptr) << name;
        return c;
    }
    QLineEdit *box(const char *name) { return control<QLineEdit>(name); }
    QComboBox *list(const char *name) { return control<QComboBox>(name); }
    void click(const char *name) { QTest::mouseClick(control<QToolButton>(name), Qt::LeftButton); }

    void openDialog()
    {
        dialog.open();
        ASSERT_TRUE(QTest::qWaitForWindowActive(&dialog));
    }
    // As the operator types: a click into the box selects its whole text
    // (once the focus has arrived), so the keys replace it.
    void type(const char *name, const QString &text)
    {
        QLineEdit *b = box(name);
        box("txtPAYEDDesc")->setFocus();
        QTest::mouseClick(b, Qt::LeftButton);
        QCoreApplication::processEvents();
        if (text.isEmpty())
            QTest::keyClick(b, Qt::Key_Delete);
        else
            QTest::keyClicks(b, text);
        EXPECT_EQ(b->text(), text) << name;
    }
    void choose(const char *name, const QString &entry)
    {
        QComboBox *l = list(name);
        const int index = l->findText(entry);
        ASSERT_GE(index, 0) << entry.toStdString();
        l->setCurrentIndex(index);
    }
    void lookUp(const QString &payment)
    {
        type("txtPay", payment);
        click("cmdFind");
    }

    // What the screen shows of a record: both lists, the box, retries and
    // fallback.
    QStringList screen()
    {
        return {list("cmbECRPayment")->currentText(), list("cmbECREFT")->currentText(),
                control<QCheckBox>("chkActive")->isChecked() ? QStringLiteral("on") : QStringLiteral("off"),
                box("txtRetries")->text(), box("txtPayID")->text()};
    }
    static QStringList zeros()
    {
        return {QStringLiteral("---"), QStringLiteral("---"), QStringLiteral("off"), QStringLiteral("0"),
                QStringLiteral("0")};
    }
    QList<Box> takeBoxes() { return std::exchange(boxes.boxes, {}); }

    QTemporaryDir folder;
    QString previous;
    BoxWindow boxes;
    PaymentTypesDialog dialog{nullptr, boxes};
};

TEST_F(PaymentTypesDialogTest, OpeningShowsTheInitialTextsAndFillsBothLists)
{
    QSignalSpy titles(&dialog, &QWidget::windowTitleChanged);
    openDialog();
    // The reading title shows while the lists are filled.
    ASSERT_EQ(titles.size(), 2);
    EXPECT_EQ(titles.at(0).at(0).toString(), QStringLiteral("Ανάγνωση Ρυθμίσεων Ταμειακής..."));
    EXPECT_EQ(dialog.windowTitle(), QStringLiteral("Πληρωμές Καρτών"));
    EXPECT_TRUE(control<QToolButton>("cmdRef")->isVisible());

    EXPECT_EQ(box("txtPay")->text(), QStringLiteral("01"));
    EXPECT_EQ(screen(), zeros());
    EXPECT_TRUE(box("txtPAYEDDesc")->text().isEmpty());

    const std::pair<const char *, QList<std::pair<QString, int>>> lists[] = {
        {"cmbECRPayment",
         {{QStringLiteral("---"), 0},
          {QStringLiteral("EFT Πληρωμή"), 2},
          {QStringLiteral("EFT Προφορτωμένη"), 3},
          {QStringLiteral("EFT Προείσπραξη"), 9}}},
        {"cmbECREFT",
         {{QStringLiteral("---"), 0},
          {QStringLiteral("EFTPOS #1"), 1},
          {QStringLiteral("EFTPOS #2"), 2},
          {QStringLiteral("EFTPOS #3"), 3},
          {QStringLiteral("EFTPOS #4"), 4}}},
    };
    for (const auto &[name, entries] : lists) {
        QComboBox *l = list(name);
        ASSERT_EQ(l->count(), entries.size()) << name;
        for (int i = 0; i < l->count(); ++i) {
            EXPECT_EQ(l->itemText(i), entries[i].first) << name << i;
            EXPECT_EQ(l->itemData(i).toInt(), entries[i].second) << name << i;
        }
    }
    if (const QString dir = qEnvironmentVariable("DRAVIMO_SCREENSHOT_DIR"); !dir.isEmpty())
        dialog.grab().save(QDir(dir).filePath(QStringLiteral("PaymentTypesDialog.png")));
}

TEST_F(PaymentTypesDialogTest, CaptionsAndTypingLimits)
{
    const std::pair<const char *, QString> captions[] = {
        {"lblPay", QStringLiteral("# πληρωμής Dravimo")},    {"lblECRPayment", QStringLiteral("# πληρωμής Ταμειακής")},
        {"lblECREFT", QStringLiteral("# EFT POS")},          {"lblRetries", QStringLiteral("Προσπάθειες")},
        {"lblPAYId", QStringLiteral("Εναλλακτική πληρωμή")},
    };
    for (const auto &[name, text] : captions)
        EXPECT_EQ(control<QLabel>(name)->text(), text) << name;
    EXPECT_EQ(control<QCheckBox>("chkActive")->text(), QStringLiteral("Ενεργή"));
    const std::pair<const char *, int> limits[] = {
        {"txtPay", 2}, {"txtRetries", 1}, {"txtPayID", 1}, {"txtPAYEDDesc", 15}};
    for (const auto &[name, limit] : limits)
        EXPECT_EQ(box(name)->maxLength(), limit) << name;
    EXPECT_TRUE(box("txtPAYEDDesc")->isReadOnly());
}

TEST_F(PaymentTypesDialogTest, LookUpShowsTheStoredRecord)
{
    ASSERT_EQ(writePaymentType({1, 9, 2, -1, 3, 2}), 0);
    ASSERT_EQ(writePaymentType({2, 5, 3, -1, 1, 1}), 0);   // an ECR code the list does not hold
    ASSERT_EQ(writePaymentType({3, 3, 7, 0, 0, 6}), 0);    // a terminal the list does not hold
    ASSERT_EQ(writePaymentType({4, 2, 4, 1, 0, 0}), 0);    // active as any non-zero value
    ASSERT_EQ(writePaymentType({5, 2, 1, -1, 12, -1}), 0); // wider than the boxes take
    openDialog();
    const struct
    {
        const char *payment;
        QStringList shown;
        QString fallbackName;
    } cases[] = {
        {"1", {"EFT Προείσπραξη", "EFTPOS #2", "on", "3", "2"}, QStringLiteral("Κάρτα")},
        {"9", zeros(), kNoPayment}, // beyond the end of the file
        {"02", {"---", "EFTPOS #3", "on", "1", "1"}, QStringLiteral("Μετρητά")},
        {"3", {"EFT Προφορτωμένη", "---", "off", "0", "6"}, QStringLiteral("Πληρωμή F")},
        {"4", {"EFT Πληρωμή", "EFTPOS #4", "on", "0", "0"}, kNoPayment},
        {"5", {"EFT Πληρωμή", "EFTPOS #1", "on", "12", "-1"}, kNoPayment},
    };
    for (const auto &c : cases) {
        lookUp(QString::fromUtf8(c.payment));
        EXPECT_EQ(screen(), c.shown) << c.payment;
        EXPECT_EQ(box("txtPAYEDDesc")->text(), c.fallbackName) << c.payment;
    }
}

// A number that cannot be read (not a number, record 0) leaves the screen as
// it is, and says nothing.
TEST_F(PaymentTypesDialogTest, LookUpOfNoRecordChangesNothing)
{
    ASSERT_EQ(writePaymentType({1, 9, 2, -1, 3, 2}), 0);
    openDialog();
    lookUp(QStringLiteral("1"));
    const QStringList shown = screen();
    for (const char *payment : {"ab", "", "0", "00", "-"}) {
        lookUp(QString::fromUtf8(payment));
        EXPECT_EQ(screen(), shown) << payment;
    }
}

TEST_F(PaymentTypesDialogTest, FallbackNameFollowsTyping)
{
    openDialog();
    const std::pair<const char *, QString> cases[] = {
        {"2", QStringLiteral("Κάρτα")},     {"7", kNoPayment},
        {"1", QStringLiteral("Μετρητά")},   {"0", kNoPayment},
        {"6", QStringLiteral("Πληρωμή F")}, {"x", QStringLiteral("Πληρωμή F")}, // not a number: the name stays
        {"", QStringLiteral("Πληρωμή F")},  {"3", QStringLiteral("Πληρωμή C")},
    };
    for (const auto &[typed, name] : cases) {
        type("txtPayID", QString::fromUtf8(typed));
        EXPECT_EQ(box("txtPAYEDDesc")->text(), name) << typed;
    }
}

TEST_F(PaymentTypesDialogTest, FocusSelectsTheWholeBox)
{
    openDialog();
    for (const char *name : {"txtPay", "txtRetries", "txtPayID"}) {
        box("txtPAYEDDesc")->setFocus();
        QLineEdit *b = box(name);
        QTest::mouseClick(b, Qt::LeftButton, {}, QPoint(b->width() - 2, b->height() / 2));
        QCoreApplication::processEvents();
        EXPECT_EQ(b->selectedText(), b->text()) << name;
    }
}

TEST_F(PaymentTypesDialogTest, SaveStoresTheScreen)
{
    openDialog();
    type("txtPay", QStringLiteral("04"));
    choose("cmbECRPayment", QStringLiteral("EFT Προείσπραξη"));
    choose("cmbECREFT", QStringLiteral("EFTPOS #2"));
    control<QCheckBox>("chkActive")->setChecked(true);
    type("txtRetries", QStringLiteral("3"));
    type("txtPayID", QStringLiteral("2"));
    click("save");
    EXPECT_EQ(readPaymentTypeRecord(4), (PaymentType{4, 9, 2, -1, 3, 2}));

    choose("cmbECRPayment", QStringLiteral("EFT Προφορτωμένη"));
    control<QCheckBox>("chkActive")->setChecked(false);
    click("save");
    EXPECT_EQ(readPaymentTypeRecord(4), (PaymentType{4, 3, 2, 0, 3, 2}));
    // Nothing else was written: the records before it were never stored.
    EXPECT_EQ(readPaymentTypeRecord(3), (PaymentType{0, 0, 0, 0, 0, 0}));
    EXPECT_EQ(QFileInfo(kPaymentFile).size(), 4 * 128);
}

// Values the boxes could not have taken typed (12 retries, fallback -1) are
// stored back as they were, not cut to one character.
TEST_F(PaymentTypesDialogTest, LookUpThenSaveKeepsWideValues)
{
    ASSERT_EQ(writePaymentType({5, 2, 1, -1, 12, -1}), 0);
    openDialog();
    lookUp(QStringLiteral("5"));
    click("save");
    EXPECT_EQ(readPaymentTypeRecord(5), (PaymentType{5, 2, 1, -1, 12, -1}));
}

TEST_F(PaymentTypesDialogTest, ClearWritesZerosAndLeavesTheScreen)
{
    ASSERT_EQ(writePaymentType({3, 2, 1, -1, 2, 1}), 0);
    openDialog();
    lookUp(QStringLiteral("3"));
    const QStringList before = screen();
    ASSERT_NE(before, zeros());
    click("cmddelete");
    EXPECT_EQ(screen(), before);
    EXPECT_EQ(readPaymentTypeRecord(3), (PaymentType{3, 0, 0, 0, 0, 0}));
    click("cmdFind");
    EXPECT_EQ(screen(), zeros());
}

// Nothing is stored from a box that holds no number: the record keeps what it
// had and the operator is told which box is wrong.
TEST_F(PaymentTypesDialogTest, SaveAndClearRefuseBoxesWithoutNumbers)
{
    const PaymentType stored{1, 2, 1, -1, 2, 1};
    const QString badPayment = QStringLiteral("Μη έγκυρος αριθμός πληρωμής");
    const struct
    {
        const char *button;
        const char *box;
        const char *typed;
        QString message;
    } cases[] = {
        {"save", "txtPay", "", badPayment},
        {"save", "txtPay", "ab", badPayment},
        {"save", "txtPay", "0", badPayment},
        {"save", "txtPay", "-1", badPayment},
        {"save", "txtRetries", "", QStringLiteral("Μη έγκυρος αριθμός προσπαθειών")},
        {"save", "txtRetries", "x", QStringLiteral("Μη έγκυρος αριθμός προσπαθειών")},
        {"save", "txtPayID", "", QStringLiteral("Μη έγκυρη εναλλακτική πληρωμή")},
        {"save", "txtPayID", "-", QStringLiteral("Μη έγκυρη εναλλακτική πληρωμή")},
        {"cmddelete", "txtPay", "", badPayment},
        {"cmddelete", "txtPay", "a", badPayment},
        {"cmddelete", "txtPay", "00", badPayment},
    };
    openDialog();
    for (const auto &c : cases) {
        ASSERT_EQ(writePaymentType(stored), 0);
        lookUp(QStringLiteral("1"));
        // An edit that would show if anything were stored.
        choose("cmbECRPayment", QStringLiteral("EFT Προείσπραξη"));
        type(c.box, QString::fromUtf8(c.typed));
        click(c.button);
        const QList<Box> shown = takeBoxes();
        ASSERT_EQ(shown.size(), 1) << c.button << " " << c.box << " '" << c.typed << "'";
        EXPECT_EQ(shown[0].text, refusal(c.message).text);
        EXPECT_EQ(shown[0].code, refusal(c.message).code);
        EXPECT_EQ(readPaymentTypeRecord(1), stored) << c.button << " " << c.box << " '" << c.typed << "'";
        EXPECT_EQ(QFileInfo(kPaymentFile).size(), 128) << "a record 0 or beyond was written";
    }
}

// A file that cannot be written (here a folder in its place) is told, not
// passed over as if the settings were stored.
TEST_F(PaymentTypesDialogTest, FailedWriteIsTold)
{
    ASSERT_TRUE(QDir().mkdir(kPaymentFile));
    openDialog();
    for (const char *button : {"save", "cmddelete"}) {
        click(button);
        const QList<Box> shown = takeBoxes();
        ASSERT_EQ(shown.size(), 1) << button;
        EXPECT_EQ(shown[0].text, refusal(QStringLiteral("Αδυναμία αποθήκευσης παραμέτρων πληρωμών")).text);
    }
}

TEST_F(PaymentTypesDialogTest, RefillResetsTheListsOnly)
{
    ASSERT_EQ(writePaymentType({2, 9, 4, -1, 1, 1}), 0);
    openDialog();
    lookUp(QStringLiteral("2"));
    QSignalSpy titles(&dialog, &QWidget::windowTitleChanged);
    click("cmdRef");
    EXPECT_EQ(titles.size(), 2);
    EXPECT_EQ(list("cmbECRPayment")->count(), 4);
    EXPECT_EQ(list("cmbECREFT")->count(), 5);
    EXPECT_EQ(screen(), (QStringList{"---", "---", "on", "1", "1"}));
    EXPECT_EQ(box("txtPay")->text(), QStringLiteral("2"));
}

TEST_F(PaymentTypesDialogTest, ReopeningAfterCloseStartsAfresh)
{
    ASSERT_EQ(writePaymentType({2, 9, 4, -1, 1, 1}), 0);
    openDialog();
    lookUp(QStringLiteral("2"));
    QSignalSpy unloaded(&dialog, &PaymentTypesDialog::unloaded);
    click("cmdexit");
    EXPECT_FALSE(dialog.isVisible());
    EXPECT_EQ(unloaded.size(), 1);
    openDialog();
    EXPECT_EQ(box("txtPay")->text(), QStringLiteral("01"));
    EXPECT_EQ(screen(), zeros());
    EXPECT_TRUE(box("txtPAYEDDesc")->text().isEmpty());
}

// The menu entry of the real main window: one dialog, placed beside the
// window, which stays disabled until the dialog closes however it is closed.
class CardSettingsEntryTest : public PaymentTypesDialogTest
{
protected:
    PaymentTypesDialog *openFromMenu()
    {
        QAction *entry = mainWindow.findChild<QAction *>(QStringLiteral("paymentTypes"));
        EXPECT_NE(entry, nullptr);
        if (!entry)
            return nullptr;
        EXPECT_TRUE(entry->isEnabled());
        entry->trigger();
        PaymentTypesDialog *opened = nullptr;
        for (QWidget *w : QApplication::topLevelWidgets())
            if (auto *d = qobject_cast<PaymentTypesDialog *>(w); d && d != &dialog && d->isVisible())
                opened = d;
        EXPECT_NE(opened, nullptr);
        return opened;
    }

    test::TestClock clock;
    test::ScriptedRegister ecr;
    CommLog log{QStringLiteral("dravimoLog.txt")};
    MainWindow mainWindow{clock, log};
    ProgressIndicator progress{mainWindow};
    Controller form{mainWindow, clock, ecr, progress, {}};
};

TEST_F(CardSettingsEntryTest, MainWindowIsDisabledWhileTheDialogIsOpen)
{
    mainWindow.attach(form);
    mainWindow.setCardSettingsDialog(paymentTypesDialogOpener(&mainWindow, boxes));
    mainWindow.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&mainWindow));

    PaymentTypesDialog *first = openFromMenu();
    ASSERT_NE(first, nullptr);
    EXPECT_FALSE(mainWindow.isEnabled());
    EXPECT_TRUE(first->isEnabled());
    EXPECT_EQ(first->windowTitle(), QStringLiteral("Πληρωμές Καρτών"));
    // 250 and 500 twips at the window's resolution.
    const QPoint corner = mainWindow.frameGeometry().topLeft();
    EXPECT_EQ(first->pos(),
              corner + QPoint(250 * mainWindow.logicalDpiX() / 1440, 500 * mainWindow.logicalDpiY() / 1440));

    first->close(); // the window's close box
    EXPECT_TRUE(mainWindow.isEnabled());

    PaymentTypesDialog *second = openFromMenu();
    EXPECT_EQ(second, first);
    EXPECT_FALSE(mainWindow.isEnabled());
    QTest::mouseClick(second->findChild<QToolButton *>(QStringLiteral("cmdexit")), Qt::LeftButton);
    EXPECT_TRUE(mainWindow.isEnabled());
}

} // namespace
