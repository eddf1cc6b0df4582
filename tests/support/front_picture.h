#pragma once

#include <QWidget>

// The picture in front among a container's children: the one last raised
// (children are kept in stacking order and raise() moves one to the end).
inline QWidget* FrontPicture(const QWidget& container) {
    const QObjectList& children = container.children();
    for (auto it = children.rbegin(); it != children.rend(); ++it) {
        if (auto* widget = qobject_cast<QWidget*>(*it)) {
            return widget;
        }
    }
    return nullptr;
}
