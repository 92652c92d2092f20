#include "gui/frmdebug.h"

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

frmDebug::frmDebug(CommLog &log, QWidget *parent) : QWidget(parent, Qt::Window), log_(log)
{
    setObjectName(QStringLiteral("frmDebug"));
    setAttribute(Qt::WA_DeleteOnClose);
    setWindowTitle(QStringLiteral("Επικοινωνία Ταμειακής"));
    txtDebug = new QPlainTextEdit(this);
    txtDebug->setObjectName(QStringLiteral("txtDebug"));
    txtDebug->setReadOnly(true);
    txtDebug->setLineWrapMode(QPlainTextEdit::NoWrap);
    txtDebug->setMaximumBlockCount(kMaxLines);
    chkFile = new QCheckBox(QStringLiteral("Ενεργοποίηση καταγραφής (dravimoLog.txt)"), this);
    chkFile->setObjectName(QStringLiteral("chkFile"));
    // The text takes the whole width and every bit of height the tick box
    // leaves, so the box always stays visible below it.
    auto *layout = new QVBoxLayout(this);
    layout->addWidget(txtDebug, 1);
    layout->addWidget(chkFile, 0);
    resize(520, 400);
}

frmDebug::~frmDebug()
{
    Form_Unload();
}

frmDebug *frmDebug::openBeside(QWidget *mainWindow, CommLog &log)
{
    auto *form = new frmDebug(log);
    if (mainWindow) {
        const QRect main = mainWindow->frameGeometry();
        form->move(main.right() + 1, main.top());
        form->setWindowIcon(mainWindow->windowIcon());
    }
    log.setSink(form);
    form->show();
    return form;
}

void frmDebug::showLine(const QString &text)
{
    // Old content, CR LF, the line: the newest line is always in view.
    txtDebug->moveCursor(QTextCursor::End);
    txtDebug->insertPlainText(QLatin1Char('\n') + text);
    txtDebug->moveCursor(QTextCursor::End);
    txtDebug->ensureCursorVisible();
}

bool frmDebug::logsToFile() const
{
    return chkFile->isChecked();
}

void frmDebug::closeEvent(QCloseEvent *event)
{
    Form_Unload();
    event->accept();
}

void frmDebug::Form_Unload()
{
    if (unloaded_)
        return;
    unloaded_ = true;
    if (log_.sink() == this)
        log_.setSink(nullptr);
    emit unloaded();
}

} // namespace dravimo
