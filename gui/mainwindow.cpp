#include "gui/mainwindow.h"

#include "control/controller.h"
#include "gui/aboutbox.h"
#include "gui/appicon.h"
#include "gui/settingsdialog.h"

#include <QAction>
#include <QApplication>
#include <QCloseEvent>
#include <QCursor>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QMenuBar>
#include <QPushButton>
#include <QSystemTrayIcon>
#include <QVBoxLayout>

#include <cstdio>
#include <cstdlib>

namespace dravimo {

MainWindow::MainWindow(Clock &clock, CommLog &log, QWidget *parent) : QMainWindow(parent), clock_(clock), log_(log)
{
    setObjectName(QStringLiteral("MainWindow"));
    setWindowIcon(programIcon());
    auto *central = new QWidget(this);
    auto *column = new QVBoxLayout(central);
    auto *grid = new QGridLayout;
    buildInformationPanel(grid);
    column->addLayout(grid);

    statusLine_ = new QLineEdit(central);
    statusLine_->setObjectName(QStringLiteral("statusLine"));
    statusLine_->setReadOnly(true);
    statusLine_->setFocusPolicy(Qt::NoFocus);
    column->addWidget(statusLine_);

    auto *buttons = new QHBoxLayout;
    startButton_ = new QPushButton(QStringLiteral("Έναρξη Εκτύπωσης"), central);
    startButton_->setObjectName(QStringLiteral("startPrinting"));
    stopButton_ = new QPushButton(QStringLiteral("Διακοπή Εκτύπωσης"), central);
    stopButton_->setObjectName(QStringLiteral("stopPrinting"));
    buttons->addWidget(startButton_);
    buttons->addWidget(stopButton_);
    column->addLayout(buttons);

    auto *counter = new QHBoxLayout;
    auto *Label1 = new QLabel(QStringLiteral(" Αριθμός Αποδείξεων"), central);
    Label1->setObjectName(QStringLiteral("jobCounterCaption"));
    auto *lblreceipt = new QLabel(central);
    lblreceipt->setObjectName(QStringLiteral("jobCounter"));
    lblreceipt->setMinimumWidth(60);
    labels_[InfoLabel::JobCounter] = lblreceipt;
    progressLabel_ = new QLabel(QStringLiteral("-"), central);
    progressLabel_->setObjectName(QStringLiteral("progress"));
    counter->addWidget(Label1);
    counter->addWidget(lblreceipt);
    counter->addStretch();
    counter->addWidget(progressLabel_);
    column->addLayout(counter);

    // What the program prints straight onto its window (the farewell box,
    // the start action's error report); shown only when there is some.
    printed_ = new QLabel(central);
    printed_->setObjectName(QStringLiteral("printed"));
    printed_->setFont(QFont(QStringLiteral("Monospace")));
    printed_->hide();
    column->addWidget(printed_);

    setCentralWidget(central);
    buildMenus();
    buildTrayMenu();
    // The close box goes: "Τερματισμός Dravimo" is the way out, and closing
    // the window would end the program in the middle of a job.
    setWindowFlag(Qt::WindowCloseButtonHint, false);
    setWindowFlag(Qt::WindowMaximizeButtonHint, false);
}

MainWindow::~MainWindow()
{
    if (settings_)
        delete settings_.data();
}

void MainWindow::buildInformationPanel(QGridLayout *grid)
{
    struct Row
    {
        const char *labelName;
        QString caption;
        const char *valueName;
        InfoLabel value;
    };
    // The captions keep their runs of spaces: in the window's own font the
    // colons line up.
    const Row rows[] = {
        {"connectionCaption", QStringLiteral("Πόρτα επικοινωνίας"), "connection", InfoLabel::Connection},
        {"baudCaption", QStringLiteral("Ταχύτητα         :"), "baud", InfoLabel::Baud},
        {"printFileCaption", QStringLiteral("Αρχείο              :"), "printFile", InfoLabel::PrintFile},
        {"ecrTypeCaption", QStringLiteral("Ταμειακή          :"), "ecrType", InfoLabel::EcrType},
        {"descriptionsCaption", QStringLiteral("Περιγραφή       :"), "descriptions", InfoLabel::Descriptions},
        {"commentsCaption", QStringLiteral("Σχόλια              :"), "comments", InfoLabel::Comments},
        {"currencyCaption", QStringLiteral("Εξόφληση         :"), "currency", InfoLabel::Currency},
    };
    int row = 0;
    for (const Row &r : rows) {
        auto *caption = new QLabel(r.caption);
        caption->setObjectName(QLatin1String(r.labelName));
        auto *value = new QLabel;
        value->setObjectName(QLatin1String(r.valueName));
        value->setTextInteractionFlags(Qt::TextSelectableByMouse);
        labels_[r.value] = value;
        grid->addWidget(caption, row, 0);
        grid->addWidget(value, row, 1);
        ++row;
    }
    grid->setColumnStretch(1, 1);
}

void MainWindow::buildMenus()
{
    auto add = [this](QMenu *menu, const char *name, const QString &caption) {
        QAction *a = menu->addAction(caption);
        a->setObjectName(QLatin1String(name));
        actions_[QLatin1String(name)] = a;
        return a;
    };
    options_ = menuBar()->addMenu(QStringLiteral("Επιλογές"));
    options_->setObjectName(QStringLiteral("options"));
    add(options_, "settings", QStringLiteral("Παράμετροι"));
    // Enabled once the card-payment settings dialog is plugged in.
    add(options_, "paymentTypes", QStringLiteral("Παράμετροι Πιστ. Καρτών"))->setEnabled(false);

    QMenu *help = menuBar()->addMenu(QStringLiteral("Bοήθεια"));
    help->setObjectName(QStringLiteral("help"));
    add(help, "helpText", QStringLiteral("Ρυθμίσεις"));
    add(help, "clearEcrError", QStringLiteral("Καθαρισμός λάθους ταμειακής"));
    add(help, "commLog", QStringLiteral("Debug Επικοινωνίας"))->setCheckable(true);

    reports_ = menuBar()->addMenu(QStringLiteral("Ισοζύγια"));
    reports_->setObjectName(QStringLiteral("reports"));
    QMenu *x = reports_->addMenu(QStringLiteral("Ισοζύγια 'X'"));
    add(x, "dailyXReport", QStringLiteral("Iσοζ. Χ (Οικονομικό)"));
    add(x, "periodXReport", QStringLiteral("Iσοζ. Χ (Περιόδου)"));
    QMenu *z = reports_->addMenu(QStringLiteral("Ισοζύγια 'Z'"));
    add(z, "dailyZReport", QStringLiteral("Iσοζ. Z (Οικονομικό-Hμερήσιο)"));
    add(z, "periodZReport", QStringLiteral("Iσοζ. Z (Περιόδου)"));

    QMenu *exit = menuBar()->addMenu(QStringLiteral("Έξοδος"));
    exit->setObjectName(QStringLiteral("exit"));
    add(exit, "quit", QStringLiteral("Τερματισμός Dravimo"));
    add(exit, "about", QStringLiteral("Περί Dravimo"));
}

// "sysTray Menu": never in the menu bar, only the icon's popup.
void MainWindow::buildTrayMenu()
{
    trayMenu_ = new QMenu(QStringLiteral("sysTray Menu"), this);
    trayMenu_->setObjectName(QStringLiteral("trayMenu"));
    auto add = [this](const char *name, const QString &caption) {
        QAction *a = trayMenu_->addAction(caption);
        a->setObjectName(QLatin1String(name));
        actions_[QLatin1String(name)] = a;
        return a;
    };
    add("showWindow", QStringLiteral("Εμφάνιση Dravimo"));
    add("hideWindow", QStringLiteral("Απόκρυψη Dravimo"));
    trayMenu_->addSeparator();
    trayStart_ = add("trayStartPrinting", QStringLiteral("Έναρξη Εκτυπώσεων"));
    trayStop_ = add("trayStopPrinting", QStringLiteral("Διακοπή Εκτυπώσεων"));
    trayStart_->setCheckable(true);
    trayStop_->setCheckable(true);
    trayMenu_->addSeparator();
    add("trayZReport", QStringLiteral("Εκτέλεση Ισοζ. 'Ζ'"));
}

void MainWindow::attach(Controller &controller)
{
    controller_ = &controller;
    Controller &c = controller;
    connect(startButton_, &QPushButton::clicked, this, [&c] { c.startPrinting(); });
    connect(stopButton_, &QPushButton::clicked, this, [&c] { c.stopPrinting(); });
    connectMenus(controller);
}

void MainWindow::connectMenus(Controller &c)
{
    const std::pair<const char *, std::function<void()>> handlers[] = {
        {"settings", [&c] { c.openSettings(); }},
        {"paymentTypes",
         [this] {
             if (openCardSettings_)
                 openCardSettings_();
         }},
        {"helpText", [&c] { c.openHelpText(); }},
        {"clearEcrError", [&c] { c.clearEcrError(); }},
        {"commLog", [this] { toggleDebugWindow(); }},
        {"dailyXReport", [&c] { c.dailyXReport(); }},
        {"periodXReport", [&c] { c.periodXReport(); }},
        {"dailyZReport", [&c] { c.dailyZReport(); }},
        {"periodZReport", [&c] { c.periodZReport(); }},
        {"quit", [&c] { c.quit(); }},
        {"about", [this] { showAboutBox(this); }},
        {"showWindow", [&c] { c.showWindow(); }},
        {"hideWindow", [&c] { c.hideWindow(); }},
        {"trayStartPrinting", [&c] { c.trayStartPrinting(); }},
        {"trayStopPrinting", [&c] { c.trayStopPrinting(); }},
        {"trayZReport", [&c] { c.trayZReport(); }},
    };
    for (const auto &[name, handler] : handlers)
        connect(actions_.value(QLatin1String(name)), &QAction::triggered, this, handler);
}

void MainWindow::setCardSettingsDialog(std::function<void()> open)
{
    openCardSettings_ = std::move(open);
    actions_.value(QStringLiteral("paymentTypes"))->setEnabled(bool(openCardSettings_));
}

} // namespace dravimo
