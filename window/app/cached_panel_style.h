#pragma once

#include <QFont>
#include <QPixmap>
#include <QProxyStyle>
#include <QRect>
#include <QStyleOptionFrame>

class QLineEdit;

// For a line edit whose text changes at every poll: draws its panel (the
// style's base and rounded frame) from a picture taken once, together with
// what its parent paints under it, instead of stroking the frame again at
// every change of text. The box is then opaque, so the parent is not
// repainted under it either. The text is drawn over the picture as before;
// the pixels are the same, because the picture is the parent's and the
// style's own painting, in the same order (as for Backdrop, the parent must
// paint the same pixels in part as in whole: plain colours and pictures do,
// a gradient's steps may not).
//
// The picture is taken again when anything it was drawn from changes: the
// box's place or its panel's style option (size, focus, enabled state,
// palette...), or the parent's size, palette, font, style or enabled state.
class CachedPanelStyle : public QProxyStyle {
public:
    // The style belongs to `box` and goes with it. Everything else is drawn
    // by a new instance of the box's current style.
    static void Install(QLineEdit& box);

    void drawPrimitive(PrimitiveElement element, const QStyleOption* option, QPainter* painter,
                       const QWidget* widget) const override;

private:
    // What the picture was drawn from.
    struct Source {
        QRect rect;
        QStyle::State state;
        qint64 palette = 0;
        int lineWidth = 0;
        int midLineWidth = 0;
        QStyleOptionFrame::FrameFeatures features;
        Qt::LayoutDirection direction = Qt::LeftToRight;
        QRect geometry;
        qreal ratio = 0;
        QSize parentSize;
        qint64 parentPalette = 0;
        QFont parentFont;
        const QStyle* parentStyle = nullptr;
        bool parentEnabled = false;
        bool operator==(const Source&) const = default;
    };

    CachedPanelStyle(QStyle* base, QLineEdit& box);
    static Source SourceOf(const QStyleOptionFrame& option, const QWidget& box);

    QLineEdit& m_box;
    mutable Source m_source;
    mutable QPixmap m_picture; // null until the first panel is drawn
};
