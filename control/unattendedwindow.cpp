#include "control/unattendedwindow.h"

#include <QCoreApplication>
#include <QRegularExpression>

#include <cstdio>
#include <cstdlib>

namespace dravimo {
namespace {

void writeErrorLine(const QString &line)
{
    std::fputs(line.toLocal8Bit().constData(), stderr);
    std::fputc('\n', stderr);
    std::fflush(stderr);
}

} // namespace

QString UnattendedWindow::boxLine(const QString &title, const QString &text)
{
    static const QRegularExpression lineBreaks(QStringLiteral("\r\n|\r|\n"));
    QString oneLine = text;
    oneLine.replace(lineBreaks, QStringLiteral(" "));
    while (oneLine.endsWith(QLatin1Char(' ')))
        oneLine.chop(1);
    return title + QStringLiteral(": ") + oneLine;
}

void UnattendedWindow::setStatus(const QString &text)
{
    if (text != status())
        writeErrorLine(QStringLiteral("status: ") + text);
    HeadlessView::setStatus(text);
}

void UnattendedWindow::setCaption(const QString &text)
{
    if (text != caption())
        writeErrorLine(QStringLiteral("caption: ") + text);
    HeadlessView::setCaption(text);
}

int UnattendedWindow::showMessage(const QString &text, int code, const QString &title)
{
    writeErrorLine(boxLine(title, text));
    return defaultButton(code);
}

void UnattendedWindow::printLine(const QString &line)
{
    HeadlessView::printLine(line);
    writeErrorLine(line);
}

void UnattendedWindow::notice(const QString &text)
{
    HeadlessView::notice(text);
    writeErrorLine(text);
}

void UnattendedWindow::openSettingsDialog()
{
    HeadlessView::openSettingsDialog();
    writeErrorLine(QStringLiteral("Παράμετροι Dravimo: το παράθυρο ρυθμίσεων χρειάζεται οθόνη "
                                  "(DRAVIMO_UNATTENDED=1)· διορθώστε το param.ini και ξεκινήστε ξανά"));
}

void UnattendedWindow::closeWindow(int exitCode)
{
    HeadlessView::closeWindow(exitCode);
    QCoreApplication::exit(exitCode);
}

void UnattendedWindow::endProcess(int exitCode)
{
    std::fflush(stdout);
    std::fflush(stderr);
    std::_Exit(exitCode);
}

} // namespace dravimo
