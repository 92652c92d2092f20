#pragma once
// The communication window "Επικοινωνία Ταμειακής": shows every line the
// command exchange reports while it is open, and also appends them to
// "dravimoLog.txt" while its tick box is ticked. The log writes only while
// one is open.
//
// The main window's menu entry "Debug Επικοινωνίας" (wndDebug) toggles it:
//   open:  debug_ = CommLogWindow::openBeside(this, log); check the entry, and connect
//          unloaded() to clearing the check mark;
//   close: debug_->close().
// The window deletes itself on close; its text is not kept between openings.

#include "core/commlog.h"

#include <QWidget>

class QCheckBox;
class QPlainTextEdit;

namespace dravimo {

class CommLogWindow : public QWidget, public LogSink
{
    Q_OBJECT

public:
    explicit CommLogWindow(CommLog &log, QWidget *parent = nullptr);
    ~CommLogWindow() override;

    // A new window, its left edge at the main window's right edge and its
    // top at the main window's top, with the main window's icon; it becomes
    // the log's sink.
    static CommLogWindow *openBeside(QWidget *mainWindow, CommLog &log);

    void showLine(const QString &text) override;
    bool logsToFile() const override;

    QPlainTextEdit *lines = nullptr;
    QCheckBox *fileBox = nullptr;

signals:
    // The window has closed, whichever way: the menu check mark goes.
    void unloaded();

protected:
    void closeEvent(QCloseEvent *event) override;

private:
    void unload();

    CommLog &log_;
    bool unloaded_ = false;
};

} // namespace dravimo
