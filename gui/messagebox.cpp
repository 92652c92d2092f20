#include "gui/messagebox.h"

#include <QMessageBox>
#include <QPushButton>

#include <utility>
#include <vector>

namespace dravimo {
namespace {

using ButtonList = std::vector<std::pair<QMessageBox::StandardButton, int>>;

ButtonList buttonsFor(int code)
{
    using B = QMessageBox;
    switch (code & 7) {
    case 1: return {{B::Ok, 1}, {B::Cancel, 2}};
    case 2: return {{B::Abort, 3}, {B::Retry, 4}, {B::Ignore, 5}};
    case 3: return {{B::Yes, 6}, {B::No, 7}, {B::Cancel, 2}};
    case 4: return {{B::Yes, 6}, {B::No, 7}};
    case 5: return {{B::Retry, 4}, {B::Cancel, 2}};
    default: return {{B::Ok, 1}};
    }
}

QMessageBox::Icon iconFor(int code)
{
    switch (code & 0x70) {
    case 16: return QMessageBox::Critical;
    case 32: return QMessageBox::Question;
    case 48: return QMessageBox::Warning;
    case 64: return QMessageBox::Information;
    default: return QMessageBox::NoIcon;
    }
}

} // namespace

int execMessageBox(QWidget *parent, const QString &text, int code, const QString &title)
{
    QMessageBox box(parent);
    box.setWindowTitle(title);
    // The texts break their lines with a lone CR.
    QString shown = text;
    shown.replace(QStringLiteral("\r\n"), QStringLiteral("\n")).replace(QLatin1Char('\r'), QLatin1Char('\n'));
    box.setText(shown);
    box.setIcon(iconFor(code));
    box.setWindowModality(Qt::ApplicationModal);
    const ButtonList buttons = buttonsFor(code);
    for (const auto &[standard, answer] : buttons)
        box.addButton(standard);
    const std::size_t defaultIndex = std::size_t((code >> 8) & 3);
    if (defaultIndex < buttons.size())
        box.setDefaultButton(buttons[defaultIndex].first);
    box.exec();
    const auto pressed = box.standardButton(box.clickedButton());
    for (const auto &[standard, answer] : buttons) {
        if (standard == pressed)
            return answer;
    }
    // Closed without a button: what Escape would have pressed.
    for (const auto &[standard, answer] : buttons) {
        if (standard == QMessageBox::Cancel)
            return answer;
    }
    return buttons.front().second;
}

} // namespace dravimo
