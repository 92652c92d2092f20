#pragma once
// A message box from the program's message box codes: the button set
// in the low three bits, the icon in the next group (16 critical, 32
// question, 48 exclamation, 64 information), the default button in the
// hundreds (256 second, 512 third). It answers with the same button numbers
// (1 OK, 2 Cancel, 3 Abort, 4 Retry, 5 Ignore, 6 Yes, 7 No).

#include <QString>

class QWidget;

namespace dravimo {

int execMessageBox(QWidget *parent, const QString &text, int code, const QString &title);

} // namespace dravimo
