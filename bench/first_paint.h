#pragma once

#include <cstdio>

#include <QCoreApplication>
#include <QEvent>
#include <QTimer>
#include <QWidget>

// Writes "painted" to standard output once the watched window has painted its
// first frame: the window's first paint event is seen, and the line goes out
// when the event loop next turns, after the whole frame (children included)
// has been painted and handed to the platform. Optionally quits then.
class FirstPaintMarker : public QObject {
public:
    FirstPaintMarker(QWidget& window, bool quit) : m_quit(quit) { window.installEventFilter(this); }

    bool eventFilter(QObject* watched, QEvent* event) override {
        if (!m_seen && event->type() == QEvent::Paint) {
            m_seen = true;
            QTimer::singleShot(0, this, [this] {
                std::fputs("painted\n", stdout);
                std::fflush(stdout);
                if (m_quit) {
                    QCoreApplication::quit();
                }
            });
        }
        return QObject::eventFilter(watched, event);
    }

private:
    bool m_quit;
    bool m_seen = false;
};
