#pragma once
// "Περί Dravimo": product title, version, description and notice.

class QWidget;

namespace dravimo {

void showAboutBox(QWidget *parent);

} // namespace dravimo
