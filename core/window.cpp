#include "core/window.h"

namespace dravimo {

int messageBox(Window &window, const QString &text, int code, const QString &title)
{
    constexpr int kMinimumWidth = 40;
    QString shown = text;
    if (shown.size() < kMinimumWidth)
        shown = shown.leftJustified(kMinimumWidth, QLatin1Char(' '));
    return window.showMessage(shown, code + mb::SystemModal, title.isEmpty() ? kDefaultBoxTitle : title);
}

int plainMessageBox(Window &window, const QString &text, int code, const QString &title)
{
    return window.showMessage(text, code, title);
}

int defaultButton(int code)
{
    switch (code & 7) {
    case 2: return 3; // Abort
    case 3:           // Yes of Yes/No/Cancel
    case mb::YesNo: return mb::RetYes;
    case 5: return 4; // Retry
    default: return mb::RetOk;
    }
}

} // namespace dravimo
