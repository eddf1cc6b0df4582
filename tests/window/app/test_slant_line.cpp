// The slash between the two counters runs from (144, 16) to (136, 32) of its
// frame, ends included.

#include <QtTest>

#include "app/slant_line.h"
#include "support/window_fixture.h"

class TestSlantLine : public QObject {
    Q_OBJECT
private slots:
    void endsWhereTheWindowDrawsThem();
};

void TestSlantLine::endsWhereTheWindowDrawsThem() {
    WindowFixture f;
    QWidget* line = f.ui().Line1;
    const QImage image = line->grab().toImage();
    const QPoint origin = line->geometry().topLeft();
    const QPoint first = QPoint(144, 16) - origin;
    const QPoint last = QPoint(136, 32) - origin;
    QVERIFY(image.rect().contains(first));
    QVERIFY(image.rect().contains(last));
    QCOMPARE(image.pixelColor(first), QColor(Qt::black));
    QCOMPARE(image.pixelColor(last), QColor(Qt::black));
    // Nothing beyond the ends.
    QCOMPARE(image.width(), 9);
    QCOMPARE(image.height(), 17);
}

QTEST_MAIN(TestSlantLine)
#include "test_slant_line.moc"
