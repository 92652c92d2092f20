#include "gui/waitdialogwidget.h"

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

WaitDialogWidget::WaitDialogWidget(Clock &clock, bool skipTimer, QWidget *parent)
    : QWidget(parent,
              Qt::Window | Qt::CustomizeWindowHint | Qt::WindowTitleHint | Qt::WindowCloseButtonHint
                  | Qt::WindowStaysOnTopHint),
      clock_(clock), skipTimer_(skipTimer)
{
    setObjectName(QStringLiteral("WaitDialogWidget"));
    messageLabel = new QLabel(this);
    messageLabel->setObjectName(QStringLiteral("messageLabel"));
    descriptionLabel = new QLabel(this);
    descriptionLabel->setObjectName(QStringLiteral("descriptionLabel"));
    auto *layout = new QVBoxLayout(this);
    layout->addWidget(messageLabel);
    layout->addWidget(descriptionLabel);
    setMinimumWidth(320);
    counter = new QTimer(this);
    counter->setInterval(std::max(1, clock_.realMs(kTickInterval)));
    connect(counter, &QTimer::timeout, this, &WaitDialogWidget::countTick);
}

WaitDialogWidget::~WaitDialogWidget() = default;

void WaitDialogWidget::setSkipTimer(bool skip)
{
    if (!loaded_)
        skipTimer_ = skip;
}

qint64 WaitDialogWidget::clockSeconds() const
{
    return (clock_.nowMs() + 500) / 1000;
}

void WaitDialogWidget::load()
{
    if (loaded_)
        return;
    loaded_ = true;
    if (!skipTimer_)
        counter->start();
    startSeconds_ = clockSeconds();
    descriptionLabel->clear();
    setWindowTitle(kCardTitle);
    messageLabel->setText(kCardWaiting);
}

void WaitDialogWidget::setTitle(const QString &title)
{
    load();
    setWindowTitle(title);
}

void WaitDialogWidget::setMessage(const QString &text)
{
    load();
    messageLabel->setText(text);
}

void WaitDialogWidget::setDescription(const QString &text)
{
    load();
    descriptionLabel->setText(text);
}

void WaitDialogWidget::show()
{
    load();
    open_ = true;
    QWidget::show();
}

void WaitDialogWidget::redraw()
{
    repaint();
}

void WaitDialogWidget::close()
{
    QWidget::close();
}

void WaitDialogWidget::countTick()
{
    const qint64 waited = std::max<qint64>(0, clockSeconds() - startSeconds_);
    messageLabel->setText(kCardCount.arg(QString::number(waited).rightJustified(2, QLatin1Char('0'))));
    repaint();
}

void WaitDialogWidget::closeEvent(QCloseEvent *event)
{
    counter->stop();
    open_ = false;
    event->accept();
}

void WaitDialogWidget::changeEvent(QEvent *event)
{
    // Always in the top left corner when it comes up, wherever it was moved
    // to: the operator knows where to look.
    if (event->type() == QEvent::ActivationChange && isActiveWindow())
        move(0, 0);
    QWidget::changeEvent(event);
}

void WaitDialogWidget::showEvent(QShowEvent *event)
{
    move(0, 0);
    QWidget::showEvent(event);
}

} // namespace dravimo
