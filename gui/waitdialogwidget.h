#pragma once
// The message and wait dialog: tells the operator what the program is waiting
// for (the card terminal's answer, the clearing of a register error, the end of
// a receipt after failed card payments). Closing it by hand is the operator's
// way to stop the wait: closing, by anyone, ends the wait that showed it.
//
// Two forms: the card-payment form counts the seconds waited; the plain form
// (skipTimer) shows the caller's texts and no counter.

#include "core/window.h"

#include <QWidget>

class QLabel;
class QTimer;

namespace dravimo {

class Clock;

class WaitDialogWidget : public QWidget, public WaitDialog
{
    Q_OBJECT

public:
    explicit WaitDialogWidget(Clock &clock, bool skipTimer = false, QWidget *parent = nullptr);
    ~WaitDialogWidget() override;

    // Only honoured before the dialog loads (before any text is set or it is
    // shown).
    bool skipTimer() const { return skipTimer_; }
    void setSkipTimer(bool skip);

    void setTitle(const QString &title) override;
    void setMessage(const QString &text) override;
    void setDescription(const QString &text) override;
    void show() override;
    void redraw() override;
    void close() override;
    bool isOpen() const override { return open_; }

    QLabel *messageLabel = nullptr;
    QLabel *descriptionLabel = nullptr;
    QTimer *counter = nullptr;

public slots:
    // The running count: whole seconds since the dialog loaded, at least two
    // digits.
    void countTick();

protected:
    void closeEvent(QCloseEvent *event) override;
    void changeEvent(QEvent *event) override;
    void showEvent(QShowEvent *event) override;

private:
    void load();
    qint64 clockSeconds() const;

    Clock &clock_;
    bool skipTimer_ = false;
    bool loaded_ = false;
    bool open_ = false;
    qint64 startSeconds_ = 0;
};

} // namespace dravimo
