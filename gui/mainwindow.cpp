#include "gui/mainwindow.h"

#include "control/controller.h"
#include "gui/appicon.h"
#include "gui/frmabout.h"
#include "gui/frmparam.h"

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

    comstattxt_ = new QLineEdit(central);
    comstattxt_->setObjectName(QStringLiteral("comstattxt"));
    comstattxt_->setReadOnly(true);
    comstattxt_->setFocusPolicy(Qt::NoFocus);
    column->addWidget(comstattxt_);

    auto *buttons = new QHBoxLayout;
    Command1_ = new QPushButton(QStringLiteral("Έναρξη Εκτύπωσης"), central);
    Command1_->setObjectName(QStringLiteral("Command1"));
    Command2_ = new QPushButton(QStringLiteral("Διακοπή Εκτύπωσης"), central);
    Command2_->setObjectName(QStringLiteral("Command2"));
    buttons->addWidget(Command1_);
    buttons->addWidget(Command2_);
    column->addLayout(buttons);

    auto *counter = new QHBoxLayout;
    auto *Label1 = new QLabel(QStringLiteral(" Αριθμός Αποδείξεων"), central);
    Label1->setObjectName(QStringLiteral("Label1"));
    auto *lblreceipt = new QLabel(central);
    lblreceipt->setObjectName(QStringLiteral("lblreceipt"));
    lblreceipt->setMinimumWidth(60);
    labels_[InfoLabel::JobCounter] = lblreceipt;
    lblProgr_ = new QLabel(QStringLiteral("-"), central);
    lblProgr_->setObjectName(QStringLiteral("lblProgr"));
    counter->addWidget(Label1);
    counter->addWidget(lblreceipt);
    counter->addStretch();
    counter->addWidget(lblProgr_);
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
        {"seriallbl", QStringLiteral("Πόρτα επικοινωνίας"), "serialtxt", InfoLabel::Connection},
        {"baudlbl", QStringLiteral("Ταχύτητα         :"), "baudtxt", InfoLabel::Baud},
        {"filelbl", QStringLiteral("Αρχείο              :"), "filetxt", InfoLabel::PrintFile},
        {"ecrlbl", QStringLiteral("Ταμειακή          :"), "ecrtxt", InfoLabel::EcrType},
        {"desclbl", QStringLiteral("Περιγραφή       :"), "desctxt", InfoLabel::Descriptions},
        {"commentslbl", QStringLiteral("Σχόλια              :"), "commentstxt", InfoLabel::Comments},
        {"currlbl", QStringLiteral("Εξόφληση         :"), "currtxt", InfoLabel::Currency},
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
    add(options_, "param", QStringLiteral("Παράμετροι"));
    // Enabled once the card-payment settings dialog is plugged in.
    add(options_, "paramEft", QStringLiteral("Παράμετροι Πιστ. Καρτών"))->setEnabled(false);

    QMenu *help = menuBar()->addMenu(QStringLiteral("Bοήθεια"));
    help->setObjectName(QStringLiteral("help"));
    add(help, "help_text", QStringLiteral("Ρυθμίσεις"));
    add(help, "errorclear", QStringLiteral("Καθαρισμός λάθους ταμειακής"));
    add(help, "wndDebug", QStringLiteral("Debug Επικοινωνίας"))->setCheckable(true);

    reports_ = menuBar()->addMenu(QStringLiteral("Ισοζύγια"));
    reports_->setObjectName(QStringLiteral("reports"));
    QMenu *x = reports_->addMenu(QStringLiteral("Ισοζύγια 'X'"));
    add(x, "xrep0", QStringLiteral("Iσοζ. Χ (Οικονομικό)"));
    add(x, "xrep5", QStringLiteral("Iσοζ. Χ (Περιόδου)"));
    QMenu *z = reports_->addMenu(QStringLiteral("Ισοζύγια 'Z'"));
    add(z, "zrep021", QStringLiteral("Iσοζ. Z (Οικονομικό-Hμερήσιο)"));
    add(z, "zrep521", QStringLiteral("Iσοζ. Z (Περιόδου)"));

    QMenu *exit = menuBar()->addMenu(QStringLiteral("Έξοδος"));
    exit->setObjectName(QStringLiteral("exit"));
    add(exit, "end", QStringLiteral("Τερματισμός Dravimo"));
    add(exit, "about", QStringLiteral("Περί Dravimo"));
}

// "sysTray Menu": never in the menu bar, only the icon's popup.
void MainWindow::buildTrayMenu()
{
    sysMenu_ = new QMenu(QStringLiteral("sysTray Menu"), this);
    sysMenu_->setObjectName(QStringLiteral("sysMenu"));
    auto add = [this](const char *name, const QString &caption) {
        QAction *a = sysMenu_->addAction(caption);
        a->setObjectName(QLatin1String(name));
        actions_[QLatin1String(name)] = a;
        return a;
    };
    add("fShow", QStringLiteral("Εμφάνιση Dravimo"));
    add("fHide", QStringLiteral("Απόκρυψη Dravimo"));
    sysMenu_->addSeparator();
    pStart_ = add("pStart", QStringLiteral("Έναρξη Εκτυπώσεων"));
    pStop_ = add("pStop", QStringLiteral("Διακοπή Εκτυπώσεων"));
    pStart_->setCheckable(true);
    pStop_->setCheckable(true);
    sysMenu_->addSeparator();
    add("mZREp", QStringLiteral("Εκτέλεση Ισοζ. 'Ζ'"));
}

void MainWindow::attach(Controller &controller)
{
    controller_ = &controller;
    Controller &c = controller;
    connect(Command1_, &QPushButton::clicked, this, [&c] { c.startPrinting(); });
    connect(Command2_, &QPushButton::clicked, this, [&c] { c.stopPrinting(); });
    connectMenus(controller);
}

void MainWindow::connectMenus(Controller &c)
{
    const std::pair<const char *, std::function<void()>> handlers[] = {
        {"param", [&c] { c.openSettings(); }},
        {"paramEft",
         [this] {
             if (openCardSettings_)
                 openCardSettings_();
         }},
        {"help_text", [&c] { c.openHelpText(); }},
        {"errorclear", [&c] { c.clearEcrError(); }},
        {"wndDebug", [this] { toggleDebugWindow(); }},
        {"xrep0", [&c] { c.dailyXReport(); }},
        {"xrep5", [&c] { c.periodXReport(); }},
        {"zrep021", [&c] { c.dailyZReport(); }},
        {"zrep521", [&c] { c.periodZReport(); }},
        {"end", [&c] { c.quit(); }},
        {"about", [this] { showAboutBox(this); }},
        {"fShow", [&c] { c.showWindow(); }},
        {"fHide", [&c] { c.hideWindow(); }},
        {"pStart", [&c] { c.trayStartPrinting(); }},
        {"pStop", [&c] { c.trayStopPrinting(); }},
        {"mZREp", [&c] { c.trayZReport(); }},
    };
    for (const auto &[name, handler] : handlers)
        connect(actions_.value(QLatin1String(name)), &QAction::triggered, this, handler);
}

void MainWindow::setCardSettingsDialog(std::function<void()> open)
{
    openCardSettings_ = std::move(open);
    actions_.value(QStringLiteral("paramEft"))->setEnabled(bool(openCardSettings_));
}

} // namespace dravimo
