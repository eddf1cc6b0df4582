#include "app/label_stack.h"

#include <QEvent>
#include <QLabel>
#include <QPainter>
#include <QPointer>

#include "app/backdrop.h"

void LabelStack::Install(const QList<QLabel*>& labels) {
    if (labels.isEmpty() || labels.first()->parentWidget() == nullptr) {
        return;
    }
    new LabelStack(*labels.first()->parentWidget(), labels);
}

LabelStack::LabelStack(QWidget& parent, const QList<QLabel*>& labels)
    : QObject(&parent), m_parent(parent), m_labels(labels) {
    for (QLabel* label : labels) {
        label->setAttribute(Qt::WA_OpaquePaintEvent);
        label->installEventFilter(this);
    }
}

bool LabelStack::eventFilter(QObject* watched, QEvent* event) {
    if (event->type() != QEvent::Paint || m_taking) {
        return QObject::eventFilter(watched, event);
    }
    auto* label = static_cast<QLabel*>(watched);
    if (const QPixmap* picture = taken(*label)) {
        QPainter(label).drawPixmap(0, 0, *picture);
        return true;
    }
    const QPixmap picture = under(*label);
    QPainter(label).drawPixmap(0, 0, picture);
    QMetaObject::invokeMethod(
        this,
        [this, label = QPointer<QLabel>(label)] {
            if (label) {
                take(*label);
            }
        },
        Qt::QueuedConnection);
    return QObject::eventFilter(watched, event);
}

LabelStack::Look LabelStack::lookNow() const {
    Look look;
    for (const QLabel* label : m_labels) {
        look.labels.append({label->geometry(), label->isHidden(), label->isEnabled(),
                            label->pixmap().cacheKey(), label->text(), label->palette().cacheKey(),
                            label->font(), static_cast<int>(label->alignment()), label->margin(),
                            label->indent(), label->hasScaledContents(), label->frameStyle()});
    }
    look.parentSize = m_parent.size();
    look.parentPalette = m_parent.palette().cacheKey();
    look.parentFont = m_parent.font();
    look.parentStyle = m_parent.style();
    look.parentEnabled = m_parent.isEnabled();
    look.ratio = m_parent.devicePixelRatioF();
    return look;
}

// The stack's labels seen under `label`, in the order they are painted.
QList<QLabel*> LabelStack::below(const QLabel& label) const {
    QList<QLabel*> result;
    for (QObject* child : m_parent.children()) {
        if (child == &label) {
            break;
        }
        auto* other = qobject_cast<QLabel*>(child);
        if (other != nullptr && m_labels.contains(other) && !other->isHidden() &&
            other->geometry().intersects(label.geometry())) {
            result.append(other);
        }
    }
    return result;
}

const QPixmap* LabelStack::taken(const QLabel& label) {
    Look look = lookNow();
    if (!(look == m_look)) {
        m_pictures.clear();
        m_look = std::move(look);
    }
    const QList<QLabel*> under = below(label);
    for (const Picture& picture : m_pictures) {
        if (picture.label == &label && picture.below == under) {
            return &picture.pixmap;
        }
    }
    return nullptr;
}

QPixmap LabelStack::under(const QLabel& label) {
    QPixmap pixmap = Backdrop::ParentPicture(label);
    m_taking = true;
    for (QLabel* other : below(label)) {
        other->render(&pixmap, other->pos() - label.pos(), QRegion(), QWidget::RenderFlags());
    }
    m_taking = false;
    return pixmap;
}

void LabelStack::take(QLabel& label) {
    if (taken(label) != nullptr) {
        return;
    }
    QPixmap pixmap = under(label);
    m_taking = true;
    label.render(&pixmap, QPoint(), QRegion(), QWidget::RenderFlags());
    m_taking = false;
    m_pictures.push_back({&label, below(label), pixmap});
}
