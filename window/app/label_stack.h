#pragma once

#include <vector>

#include <QFont>
#include <QList>
#include <QObject>
#include <QPixmap>
#include <QRect>
#include <QString>

class QLabel;
class QWidget;

// Labels stacked in one place, of which the one raised last is seen, as the
// three link lights. Raising one repaints its place, which normally paints
// the parent there and then every label of the stack, bottom to top. Here
// each label is opaque and paints a picture of everything seen in its place
// instead: the parent, the labels of the stack below it and itself, taken
// once for each order the stack takes. A raise then paints one picture.
// The pixels are the same: the picture is the parent's and the labels' own
// painting, in the same order (the parent must paint the same pixels in
// part as in whole, as for Backdrop). A label cannot be painted into a
// picture while it paints itself, so the first time an order is seen the
// label paints itself over the rest as usual and its picture is taken
// right after.
//
// The pictures are taken again when a label's picture, text, look or place,
// or the parent's size, palette, font, style or enabled state changes.
// Nothing but the stack's labels may overlap them.
class LabelStack : public QObject {
public:
    // The labels share one parent; the stack belongs to it and goes with it.
    static void Install(const QList<QLabel*>& labels);

    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    // What a label's painting is drawn from.
    struct LabelLook {
        QRect geometry;
        bool hidden = false;
        bool enabled = false;
        qint64 pixmap = 0;
        QString text;
        qint64 palette = 0;
        QFont font;
        int alignment = 0;
        int margin = 0;
        int indent = 0;
        bool scaled = false;
        int frame = 0;
        bool operator==(const LabelLook&) const = default;
    };
    // What every picture is drawn from, but the stacking order.
    struct Look {
        QList<LabelLook> labels;
        QSize parentSize;
        qint64 parentPalette = 0;
        QFont parentFont;
        const void* parentStyle = nullptr;
        bool parentEnabled = false;
        qreal ratio = 0;
        bool operator==(const Look&) const = default;
    };
    // A label's picture for one set of labels below it, bottom first.
    struct Picture {
        const QLabel* label = nullptr;
        QList<QLabel*> below;
        QPixmap pixmap;
    };

    LabelStack(QWidget& parent, const QList<QLabel*>& labels);
    Look lookNow() const;
    QList<QLabel*> below(const QLabel& label) const;
    // The picture of `label` in the stack's present order and look, or null.
    const QPixmap* taken(const QLabel& label);
    // The parent and the labels below `label`, in its place.
    QPixmap under(const QLabel& label);
    void take(QLabel& label);

    QWidget& m_parent;
    QList<QLabel*> m_labels;
    Look m_look;
    std::vector<Picture> m_pictures;
    bool m_taking = false; // the labels paint themselves into a picture
};
