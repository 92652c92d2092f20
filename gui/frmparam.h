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

class frmparam : public QWidget
{
    Q_OBJECT

public:
    // boxes shows the dialog's messages; connection gives the register's
    // connection as the program runs with it (what a file without "[port]"
    // keeps).
    frmparam(Window &boxes, Clock &clock, std::function<Connection()> connection, QWidget *parent = nullptr);

    // Shows the dialog (modeless) and loads it.
    void open();
    // The load steps: param.ini (dialog variant) and vats.dat into the controls.
    void load();
    // "Eπαναφορα": clears the controls, then loads again.
    void restore_Click();
    // "Kαταχωρηση".
    void OK_Click();

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
    QLineEdit *comtxt_ = nullptr;
    QLineEdit *baudtxt_ = nullptr;
    QLineEdit *filetxt_ = nullptr;
    QComboBox *typetxt_ = nullptr;
    QLineEdit *location_ = nullptr;
    QCheckBox *multi_print_ = nullptr;
    QCheckBox *descreption_ = nullptr;
    QCheckBox *print_code_ascii_ = nullptr;
    QCheckBox *print_code_numeric_ = nullptr;
    QCheckBox *comments_ = nullptr;
    QCheckBox *quantity_ = nullptr;
    QCheckBox *keyb_locked_ = nullptr;
    QCheckBox *dirdep_ = nullptr;
    QRadioButton *total_file_ = nullptr;
    QRadioButton *total_1_ = nullptr;
    QRadioButton *total_2_ = nullptr;
    QCheckBox *ChkAuto_ = nullptr;
    std::array<QLineEdit *, 5> txtVatRate_{};
    QPushButton *restore_ = nullptr;
    QPushButton *OK_ = nullptr;
};

} // namespace dravimo
