// Labels stacked in one place, drawn from the stack's pictures, look like the
// same labels painted one over the other, after each change of order or of
// anything painted: a stale picture shows as a difference.

#include <array>
#include <functional>

#include <QLabel>
#include <QPainter>
#include <QtTest>

#include "app/label_stack.h"
#include "window/app/painting.h"

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
        PatternPanel(parent, {5, 3}, qRgb(150, 230, 210), 20, 30, {60, 20});
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
        QTest::newRow("parent background") << QList<Change>{
            raise(1),
            Change([](Stack& s) { SetColour(s.parent, QPalette::Window, Qt::darkCyan); })};
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
        PaintLog log(
            {&pictures.parent, pictures.lights[0], pictures.lights[1], pictures.lights[2]});
        pictures.lights[0]->raise();
        QTRY_VERIFY(!log.painted.isEmpty());
        QCoreApplication::processEvents();
        QCOMPARE(log.painted, QList<QObject*>{pictures.lights[0]});
    }
};

QTEST_MAIN(TestLabelStack)
#include "test_label_stack.moc"
