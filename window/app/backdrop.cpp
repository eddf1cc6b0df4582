#include "app/backdrop.h"

#include <QEvent>
#include <QPainter>
#include <QWidget>

void Backdrop::Install(QWidget& widget) {
    new Backdrop(widget);
}

Backdrop::Backdrop(QWidget& widget) : QObject(&widget), m_widget(widget) {
    widget.setAttribute(Qt::WA_OpaquePaintEvent);
    widget.installEventFilter(this);
    if (QWidget* parent = widget.parentWidget()) {
        parent->installEventFilter(this);
    }
}

bool Backdrop::eventFilter(QObject* watched, QEvent* event) {
    switch (event->type()) {
    case QEvent::Paint:
        if (watched == &m_widget) {
            paint();
        }
        break;
    case QEvent::Resize:
    case QEvent::PaletteChange:
    case QEvent::FontChange:
    case QEvent::StyleChange:
    case QEvent::EnabledChange:
    case QEvent::ParentChange:
        m_picture = QPixmap();
        break;
    default:
        break;
    }
    return QObject::eventFilter(watched, event);
}

QPixmap Backdrop::ParentPicture(const QWidget& widget) {
    QWidget* parent = widget.parentWidget();
    if (parent == nullptr) {
        return {};
    }
    const QRect geometry = widget.geometry();
    const qreal ratio = widget.devicePixelRatioF();
    QPixmap picture(geometry.size() * ratio);
    picture.setDevicePixelRatio(ratio);
    // The parent's background covers every pixel; an opaque picture is
    // then copied rather than blended.
    picture.fill(parent->palette().color(parent->backgroundRole()));
    parent->render(&picture, QPoint(), QRegion(geometry), QWidget::DrawWindowBackground);
    return picture;
}

void Backdrop::paint() {
    const QRect geometry = m_widget.geometry();
    if (m_picture.isNull() || geometry != m_takenAt) {
        m_picture = ParentPicture(m_widget);
        m_takenAt = geometry;
    }
    if (m_picture.isNull()) {
        return;
    }
    QPainter painter(&m_widget);
    painter.drawPixmap(0, 0, m_picture);
}
