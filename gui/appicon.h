#pragma once
// The program's icon (window and notification area), drawn at run time so
// the program carries no image files.

#include <QIcon>

namespace dravimo {

QIcon programIcon();

} // namespace dravimo
