#include "gui/appicon.h"

#include <QPainter>
#include <QPixmap>

namespace dravimo {
namespace {

// A till slip coming out of a printer slot, at one size.
QPixmap drawIcon(int size)
{
    QPixmap pixmap(size, size);
    pixmap.fill(Qt::transparent);
    QPainter p(&pixmap);
    p.setRenderHint(QPainter::Antialiasing);
    const qreal u = size / 16.0;
    p.setPen(Qt::NoPen);
    p.setBrush(QColor(0x2f, 0x5d, 0x8a));
    p.drawRoundedRect(QRectF(1 * u, 8 * u, 14 * u, 7 * u), 1.5 * u, 1.5 * u);
    p.setBrush(Qt::white);
    p.setPen(QPen(QColor(0x40, 0x40, 0x40), qMax(1.0, 0.6 * u)));
    p.drawRect(QRectF(4 * u, 1 * u, 8 * u, 10 * u));
    for (int line = 0; line < 3; ++line)
        p.drawLine(QPointF(5.5 * u, (3.5 + 2 * line) * u), QPointF(10.5 * u, (3.5 + 2 * line) * u));
    return pixmap;
}

} // namespace

QIcon programIcon()
{
    QIcon icon;
    for (int size : {16, 24, 32, 48, 64})
        icon.addPixmap(drawIcon(size));
    return icon;
}

} // namespace dravimo
