#include "gui/commlogwindow.h"

#include <QCheckBox>
#include <QCloseEvent>
#include <QPlainTextEdit>
#include <QScrollBar>
#include <QVBoxLayout>

namespace dravimo {
namespace {
// The log lines of a long session: beyond this the oldest lines scroll away
// instead of the window eating memory for the rest of the run.
constexpr int kMaxLines = 50000;
} // namespace

CommLogWindow::CommLogWindow(CommLog &log, QWidget *parent) : QWidget(parent, Qt::Window), log_(log)
{
    setObjectName(QStringLiteral("CommLogWindow"));
    setAttribute(Qt::WA_DeleteOnClose);
    setWindowTitle(QStringLiteral("Επικοινωνία Ταμειακής"));
    lines = new QPlainTextEdit(this);
    lines->setObjectName(QStringLiteral("lines"));
    lines->setReadOnly(true);
    lines->setLineWrapMode(QPlainTextEdit::NoWrap);
    lines->setMaximumBlockCount(kMaxLines);
    fileBox = new QCheckBox(QStringLiteral("Ενεργοποίηση καταγραφής (dravimoLog.txt)"), this);
    fileBox->setObjectName(QStringLiteral("fileBox"));
    // The text takes the whole width and every bit of height the tick box
    // leaves, so the box always stays visible below it.
    auto *layout = new QVBoxLayout(this);
    layout->addWidget(lines, 1);
    layout->addWidget(fileBox, 0);
    resize(520, 400);
}

CommLogWindow::~CommLogWindow()
{
    unload();
}

CommLogWindow *CommLogWindow::openBeside(QWidget *mainWindow, CommLog &log)
{
    auto *form = new CommLogWindow(log);
    if (mainWindow) {
        const QRect main = mainWindow->frameGeometry();
        form->move(main.right() + 1, main.top());
        form->setWindowIcon(mainWindow->windowIcon());
    }
    log.setSink(form);
    form->show();
    return form;
}

void CommLogWindow::showLine(const QString &text)
{
    // Old content, CR LF, the line: the newest line is always in view.
    lines->moveCursor(QTextCursor::End);
    lines->insertPlainText(QLatin1Char('\n') + text);
    lines->moveCursor(QTextCursor::End);
    lines->ensureCursorVisible();
}

bool CommLogWindow::logsToFile() const
{
    return fileBox->isChecked();
}

void CommLogWindow::closeEvent(QCloseEvent *event)
{
    unload();
    event->accept();
}

void CommLogWindow::unload()
{
    if (unloaded_)
        return;
    unloaded_ = true;
    if (log_.sink() == this)
        log_.setSink(nullptr);
    emit unloaded();
}

} // namespace dravimo
