#pragma once

// What the painting suites share: a panel whose background differs from
// pixel to pixel, so that a picture taken elsewhere on it shows, and a log of
// the widgets painted.

#include <QEvent>
#include <QImage>
#include <QList>
#include <QPalette>
#include <QWidget>

// Tiles `panel` with a `tile` whose colour steps from `first` by `across`
// (red) per column and `-down` (green) per row, and gives it `size`.
inline void PatternPanel(QWidget& panel, QSize tile, QRgb first, int across, int down, QSize size) {
    QImage pattern(tile, QImage::Format_RGB32);
    for (int y = 0; y < pattern.height(); ++y) {
        for (int x = 0; x < pattern.width(); ++x) {
            pattern.setPixel(
                x, y, qRgb(qRed(first) + across * x, qGreen(first) - down * y, qBlue(first)));
        }
    }
    QPalette palette = panel.palette();
    palette.setBrush(QPalette::Window, QBrush(pattern));
    panel.setPalette(palette);
    panel.setAutoFillBackground(true);
    panel.resize(size);
}

inline void SetColour(QWidget& widget, QPalette::ColorRole role, QColor colour) {
    QPalette palette = widget.palette();
    palette.setColor(role, colour);
    widget.setPalette(palette);
}

// The widgets among `watched` painted since it was made, in order.
class PaintLog : public QObject {
public:
    explicit PaintLog(const QList<QWidget*>& watched) {
        for (QWidget* widget : watched) {
            widget->installEventFilter(this);
        }
    }
    bool eventFilter(QObject* watched, QEvent* event) override {
        if (event->type() == QEvent::Paint) {
            painted.append(watched);
        }
        return false;
    }
    int count(const QObject* widget) const { return static_cast<int>(painted.count(widget)); }

    QList<QObject*> painted;
};
