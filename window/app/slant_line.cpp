#include "app/slant_line.h"

#include <QPainter>
#include <QPen>

SlantLine::SlantLine(QWidget* parent) : QWidget(parent) {
    setAttribute(Qt::WA_TransparentForMouseEvents);
}

void SlantLine::paintEvent(QPaintEvent* /*event*/) {
    QPainter painter(this);
    painter.setPen(QPen(Qt::black, 1));
    const QRect r = rect();
    painter.drawLine(r.topRight(), r.bottomLeft());
}
