#include "widgets/pictures.h"

#include <QPainter>
#include <QPixmap>

namespace {
// Drawn on a 40-unit square, scaled to the size asked for.
QPixmap drawDevice(bool enabled, int size)
{
    QPixmap pm(size, size);
    pm.fill(Qt::transparent);
    QPainter p(&pm);
    p.setRenderHint(QPainter::Antialiasing);
    p.scale(size / 40.0, size / 40.0);
    const QColor body = enabled ? QColor(70, 90, 120) : QColor(160, 160, 160);
    const QColor face = enabled ? QColor(110, 135, 170) : QColor(200, 200, 200);
    const QColor lamp = enabled ? QColor(0, 220, 0) : QColor(150, 170, 150);
    const QColor edge = enabled ? QColor(30, 30, 40) : QColor(120, 120, 120);
    // The box, seen slightly from above.
    p.setPen(QPen(edge, 1.2));
    p.setBrush(body);
    p.drawRoundedRect(QRectF(4, 12, 32, 22), 3, 3);
    p.setBrush(face);
    p.drawRoundedRect(QRectF(7, 15, 26, 12), 2, 2);
    // Its cable.
    p.setPen(QPen(edge, 2));
    p.drawLine(QPointF(20, 12), QPointF(20, 5));
    p.drawLine(QPointF(20, 5), QPointF(30, 5));
    // The lamp.
    p.setPen(QPen(edge, 1));
    p.setBrush(lamp);
    p.drawEllipse(QPointF(27, 21), 3.2, 3.2);
    if (enabled) {
        p.setPen(Qt::NoPen);
        p.setBrush(QColor(220, 255, 220));
        p.drawEllipse(QPointF(26.2, 20.2), 1.0, 1.0);
    }
    // Two screws.
    p.setPen(Qt::NoPen);
    p.setBrush(edge);
    p.drawEllipse(QPointF(9, 31), 1.1, 1.1);
    p.drawEllipse(QPointF(31, 31), 1.1, 1.1);
    return pm;
}
} // namespace

QIcon devicePicture()
{
    QIcon icon;
    icon.addPixmap(drawDevice(true, 40), QIcon::Normal);
    icon.addPixmap(drawDevice(false, 40), QIcon::Disabled);
    return icon;
}

QPixmap devicePicture(int size) { return drawDevice(true, size); }
