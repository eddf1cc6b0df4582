#pragma once

#include <QObject>
#include <QPixmap>
#include <QRect>

class QWidget;

// Makes a widget opaque by painting, before the widget paints itself, a
// picture of what its parent paints under it (the parent's background and
// its own painting, without any children). A change inside the widget then
// repaints the widget alone instead of the group box behind it as well; the
// pixels are the same, because the picture is the parent's own painting.
// The picture is taken again when the widget moves or is resized, or the
// parent changes size, palette, font, style or enabled state.
class Backdrop : public QObject {
public:
    // The backdrop belongs to `widget` and goes with it.
    static void Install(QWidget& widget);

    // What the parent of `widget` paints under it, opaque, the size of
    // `widget`; null when it has no parent.
    static QPixmap ParentPicture(const QWidget& widget);

    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    explicit Backdrop(QWidget& widget);
    void paint();

    QWidget& m_widget;
    QPixmap m_picture; // null until the next paint takes it
    QRect m_takenAt;   // the widget's geometry when it was taken
};
