#include "control/headlessview.h"

#include <QCoreApplication>

namespace dravimo {

int HeadlessView::showMessage(const QString &, int code, const QString &)
{
    return defaultButton(code);
}

std::unique_ptr<WaitDialog> HeadlessView::createWaitDialog(bool)
{
    return std::make_unique<HeadlessWaitDialog>();
}

void HeadlessView::processEvents()
{
    QCoreApplication::processEvents();
}

void HeadlessView::closeWindow(int exitCode)
{
    visible_ = false;
    closed_ = true;
    exitCode_ = exitCode;
}

void HeadlessView::endProcess(int exitCode)
{
    ended_ = true;
    exitCode_ = exitCode;
}

} // namespace dravimo
