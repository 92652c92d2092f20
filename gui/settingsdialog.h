#pragma once
// "Παράμετροι Dravimo": the operator edits param.ini and the five VAT rates of
// vats.dat here. Modeless; one instance, reloaded from the files at every
// opening and by "Eπαναφορα". Confirming writes both files and ends the
// program (the main window listens for confirmed()), so the new settings take
// effect at the next start. While the dialog is open the main window's ECR
// check is stopped (loaded() and unloaded()).

#include <QWidget>

#include "settings/settings.h"

#include <array>
#include <functional>

class QCheckBox;
class QComboBox;
class QLineEdit;
class QPushButton;
class QRadioButton;

namespace dravimo {

class Clock;
class Window;

class SettingsDialog : public QWidget
{
    Q_OBJECT

public:
    // boxes shows the dialog's messages; connection gives the register's
    // connection as the program runs with it (what a file without "[port]"
    // keeps).
    SettingsDialog(Window &boxes, Clock &clock, std::function<Connection()> connection, QWidget *parent = nullptr);

    // Shows the dialog (modeless) and loads it.
    void open();
    // The load steps: param.ini (dialog variant) and vats.dat into the controls.
    void load();
    // "Eπαναφορα": clears the controls, then loads again.
    void restore();
    // "Kαταχωρηση".
    void confirm();

    // How many characters the operator may type into each box.
    static constexpr int kPortLength = 17;
    static constexpr int kBaudLength = 12;
    static constexpr int kFileLength = 12;
    static constexpr int kRateLength = 5;

signals:
    void loaded();
    void unloaded();
    void confirmed();

protected:
    void closeEvent(QCloseEvent *event) override;
    bool eventFilter(QObject *watched, QEvent *event) override;

private:
    QWidget *buildConnection();
    QWidget *buildOptions();
    QWidget *buildCodeFrame();
    QWidget *buildCurrencyFrame();
    QWidget *buildVatFrame();
    QCheckBox *addCheck(const char *name, const QString &caption);
    void loadConnection(const Connection &connection);
    void loadChecks(const Settings &s);
    bool writeSettings();
    bool saveVatRates();

    Window &boxes_;
    Clock &clock_;
    std::function<Connection()> connection_;
    QLineEdit *port_ = nullptr;
    QLineEdit *baud_ = nullptr;
    QLineEdit *file_ = nullptr;
    QComboBox *machineType_ = nullptr;
    QLineEdit *location_ = nullptr;
    QCheckBox *multiFile_ = nullptr;
    QCheckBox *descriptions_ = nullptr;
    QCheckBox *alphanumericCodes_ = nullptr;
    QCheckBox *numericCodes_ = nullptr;
    QCheckBox *comments_ = nullptr;
    QCheckBox *quantity_ = nullptr;
    QCheckBox *keyboardLocked_ = nullptr;
    QCheckBox *directDepartments_ = nullptr;
    QRadioButton *currencyAsInFile_ = nullptr;
    QRadioButton *currencyMain_ = nullptr;
    QRadioButton *currencySecondary_ = nullptr;
    QCheckBox *autoStart_ = nullptr;
    std::array<QLineEdit *, 5> vatRates_{};
    QPushButton *restore_ = nullptr;
    QPushButton *confirm_ = nullptr;
};

} // namespace dravimo
