#include "gui/frmerr.h"

#include "core/clock.h"

#include <QCloseEvent>
#include <QEvent>
#include <QLabel>
#include <QTimer>
#include <QVBoxLayout>

#include <algorithm>

namespace dravimo {
namespace {
constexpr Millis kTickInterval{1000};
const QString kCardTitle = QStringLiteral("Συναλλαγή EFTPOS");
const QString kCardWaiting = QStringLiteral("Αναμονή Απάντησης EFTPOS");
const QString kCardCount = QStringLiteral("Αναμονή EFTPOS [%1]");
} // namespace

frmErr::frmErr(Clock &clock, bool skipTimer, QWidget *parent)
    : QWidget(parent,
              Qt::Window | Qt::CustomizeWindowHint | Qt::WindowTitleHint | Qt::WindowCloseButtonHint
                  | Qt::WindowStaysOnTopHint),
      clock_(clock), skipTimer_(skipTimer)
{
    setObjectName(QStringLiteral("frmErr"));
    lblErr = new QLabel(this);
    lblErr->setObjectName(QStringLiteral("lblErr"));
    lblErrDesc = new QLabel(this);
    lblErrDesc->setObjectName(QStringLiteral("lblErrDesc"));
    auto *layout = new QVBoxLayout(this);
    layout->addWidget(lblErr);
    layout->addWidget(lblErrDesc);
    setMinimumWidth(320);
    TmrCom = new QTimer(this);
    TmrCom->setInterval(std::max(1, clock_.realMs(kTickInterval)));
    connect(TmrCom, &QTimer::timeout, this, &frmErr::TmrCom_Timer);
}

frmErr::~frmErr() = default;

void frmErr::setSkipTimer(bool skip)
{
    if (!loaded_)
        skipTimer_ = skip;
}

qint64 frmErr::clockSeconds() const
{
    return (clock_.nowMs() + 500) / 1000;
}

void frmErr::Form_Load()
{
    if (loaded_)
        return;
    loaded_ = true;
    if (!skipTimer_)
        TmrCom->start();
    startSeconds_ = clockSeconds();
    lblErrDesc->clear();
    setWindowTitle(kCardTitle);
    lblErr->setText(kCardWaiting);
}

void frmErr::setTitle(const QString &title)
{
    Form_Load();
    setWindowTitle(title);
}

void frmErr::setMessage(const QString &text)
{
    Form_Load();
    lblErr->setText(text);
}

void frmErr::setDescription(const QString &text)
{
    Form_Load();
    lblErrDesc->setText(text);
}

void frmErr::show()
{
    Form_Load();
    open_ = true;
    QWidget::show();
}

void frmErr::redraw()
{
    repaint();
}

void frmErr::close()
{
    QWidget::close();
}

void frmErr::TmrCom_Timer()
{
    const qint64 waited = std::max<qint64>(0, clockSeconds() - startSeconds_);
    lblErr->setText(kCardCount.arg(QString::number(waited).rightJustified(2, QLatin1Char('0'))));
    repaint();
}

void frmErr::closeEvent(QCloseEvent *event)
{
    TmrCom->stop();
    open_ = false;
    event->accept();
}

void frmErr::changeEvent(QEvent *event)
{
    // Always in the top left corner when it comes up, wherever it was moved
    // to: the operator knows where to look.
    if (event->type() == QEvent::ActivationChange && isActiveWindow())
        move(0, 0);
    QWidget::changeEvent(event);
}

void frmErr::showEvent(QShowEvent *event)
{
    move(0, 0);
    QWidget::showEvent(event);
}

} // namespace dravimo
