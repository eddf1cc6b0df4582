// Labels stacked in one place, drawn from the stack's pictures, look like the
// same labels painted one over the other, after each change of order or of
// anything painted: a stale picture shows as a difference.

#include <array>
#include <functional>

#include <QLabel>
#include <QPainter>
#include <QtTest>

#include "app/label_stack.h"

namespace {

// A disc with soft edges, so that the labels below show through its rim.
QPixmap Disc(QColor colour) {
    QPixmap disc(16, 16);
    disc.fill(Qt::transparent);
    QPainter painter(&disc);
    painter.setRenderHint(QPainter::Antialiasing);
    painter.setPen(Qt::NoPen);
    painter.setBrush(colour);
    painter.drawEllipse(QRectF(1.5, 1.5, 13, 13));
    return disc;
}

// Three lights in one place on a patterned panel, one of them narrower.
struct Stack {
    explicit Stack(bool pictures) {
        QImage pattern(5, 3, QImage::Format_RGB32);
        for (int y = 0; y < pattern.height(); ++y) {
            for (int x = 0; x < pattern.width(); ++x) {
                pattern.setPixel(x, y, qRgb(150 + 20 * x, 230 - 30 * y, 210));
            }
        }
        QPalette palette = parent.palette();
        palette.setBrush(QPalette::Window, QBrush(pattern));
        parent.setPalette(palette);
        parent.setAutoFillBackground(true);
        parent.resize(60, 20);
        const std::array<QColor, 3> colours{Qt::red, Qt::yellow, Qt::green};
        for (int i = 0; i < 3; ++i) {
            lights[i] = new QLabel(&parent);
            lights[i]->setGeometry(24, 2, i == 0 ? 15 : 16, 16);
            lights[i]->setPixmap(Disc(colours[i]));
        }
        if (pictures) {
            LabelStack::Install({lights[0], lights[1], lights[2]});
        }
    }
    QWidget parent;
    std::array<QLabel*, 3> lights{};
};

using Change = std::function<void(Stack&)>;

} // namespace

Q_DECLARE_METATYPE(Change)

class TestLabelStack : public QObject {
    Q_OBJECT
private slots:
    void sameAsPaintedInTurn_data() {
        QTest::addColumn<QList<Change>>("changes");
        const auto raise = [](int i) { return Change([i](Stack& s) { s.lights[i]->raise(); }); };
        QTest::newRow("raised in turn, twice")
            << QList<Change>{raise(1), raise(2), raise(0), raise(1), raise(2), raise(0)};
        QTest::newRow("the narrow one in front, then behind")
            << QList<Change>{raise(0), raise(1), raise(0), raise(2)};
        QTest::newRow("new picture under the one in front") << QList<Change>{
            raise(2), raise(1), Change([](Stack& s) { s.lights[2]->setPixmap(Disc(Qt::blue)); })};
        QTest::newRow("text under the one in front")
            << QList<Change>{raise(0), Change([](Stack& s) { s.lights[1]->setText("8"); })};
        QTest::newRow("one hidden")
            << QList<Change>{raise(1), Change([](Stack& s) { s.lights[1]->hide(); })};
        QTest::newRow("one moved")
            << QList<Change>{raise(2), Change([](Stack& s) { s.lights[2]->move(30, 3); })};
        QTest::newRow("parent background")
            << QList<Change>{raise(1), Change([](Stack& s) {
                                 QPalette p = s.parent.palette();
                                 p.setColor(QPalette::Window, Qt::darkCyan);
                                 s.parent.setPalette(p);
                             })};
    }
    void sameAsPaintedInTurn() {
        QFETCH(QList<Change>, changes);
        Stack plain(false);
        Stack pictures(true);
        for (const Change& change : changes) {
            change(plain);
            change(pictures);
            // The first painting in an order takes its picture afterwards;
            // the second uses it.
            for (int paint = 0; paint < 2; ++paint) {
                QCOMPARE(pictures.parent.grab().toImage(), plain.parent.grab().toImage());
                QCoreApplication::processEvents();
            }
        }
    }

    // Raising a light repaints that light alone, from its picture: neither
    // the panel nor the lights below it are painted again.
    void raiseRepaintsOnlyTheRaised() {
        Stack pictures(true);
        pictures.parent.show();
        QVERIFY(QTest::qWaitForWindowExposed(&pictures.parent));
        // Every order once, so that each picture is taken.
        for (int i : {1, 2, 0, 1, 2}) {
            pictures.lights[i]->raise();
            QTest::qWait(20);
        }
        QList<QObject*> painted;
        PaintLog log(painted, {&pictures.parent, pictures.lights[0], pictures.lights[1],
                               pictures.lights[2]});
        pictures.lights[0]->raise();
        QTRY_VERIFY(!painted.isEmpty());
        QCoreApplication::processEvents();
        QCOMPARE(painted, QList<QObject*>{pictures.lights[0]});
    }

private:
    class PaintLog : public QObject {
    public:
        PaintLog(QList<QObject*>& painted, const QList<QWidget*>& widgets) : m_painted(painted) {
            for (QWidget* widget : widgets) {
                widget->installEventFilter(this);
            }
        }
        bool eventFilter(QObject* watched, QEvent* event) override {
            if (event->type() == QEvent::Paint) {
                m_painted.append(watched);
            }
            return false;
        }

    private:
        QList<QObject*>& m_painted;
    };
};

QTEST_MAIN(TestLabelStack)
#include "test_label_stack.moc"
