#include "widgets/lamp.h"

#include <QPainter>

Lamp::Lamp(QWidget* parent) : QWidget(parent) { }

void Lamp::setBrushColor(const QColor& c)
{
    if (c == brush)
        return;
    brush = c;
    update();
}

void Lamp::paintEvent(QPaintEvent*)
{
    QPainter p(this);
    p.setRenderHint(QPainter::Antialiasing);
    p.setPen(QPen(Qt::black, 1));
    p.setBrush(brush);
    p.drawEllipse(QRectF(0.5, 0.5, width() - 1.0, height() - 1.0));
}
