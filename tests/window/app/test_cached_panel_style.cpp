// A value box drawn from its cached panel looks like the same box drawn by
// the style directly, after each change that alters the panel or what lies
// under it: a stale picture shows as a difference.

#include <functional>

#include <QLineEdit>
#include <QStyleFactory>
#include <QtTest>

#include "app/cached_panel_style.h"
#include "window/app/painting.h"

namespace {

// A value box on a patterned panel: what lies under the box differs from
// place to place, so a picture taken elsewhere shows.
struct Panel {
    explicit Panel(bool cached) {
        PatternPanel(parent, {7, 5}, qRgb(160, 224, 200), 12, 20, {200, 100});
        box->setGeometry(20, 20, 150, 50);
        QFont font = box->font();
        font.setPointSize(30);
        box->setFont(font);
        box->setAlignment(Qt::AlignCenter);
        box->setText(QStringLiteral("45.67"));
        if (cached) {
            CachedPanelStyle::Install(*box);
        }
    }
    QWidget parent;
    QLineEdit* box = new QLineEdit(&parent);
};

using Change = std::function<void(Panel&)>;

} // namespace

Q_DECLARE_METATYPE(Change)

class TestCachedPanelStyle : public QObject {
    Q_OBJECT
private slots:
    void initTestCase() { QApplication::setStyle(QStyleFactory::create(QStringLiteral("Fusion"))); }

    void sameAsTheStyle_data() {
        QTest::addColumn<Change>("change");
        QTest::newRow("new text") << Change(
            [](Panel& p) { p.box->setText(QStringLiteral("100.00")); });
        QTest::newRow("narrower text")
            << Change([](Panel& p) { p.box->setText(QStringLiteral("7")); });
        QTest::newRow("selected text") << Change([](Panel& p) { p.box->selectAll(); });
        QTest::newRow("disabled") << Change([](Panel& p) { p.box->setEnabled(false); });
        QTest::newRow("parent disabled") << Change([](Panel& p) { p.parent.setEnabled(false); });
        QTest::newRow("box base colour")
            << Change([](Panel& p) { SetColour(*p.box, QPalette::Base, Qt::yellow); });
        QTest::newRow("parent background")
            << Change([](Panel& p) { SetColour(p.parent, QPalette::Window, Qt::darkCyan); });
        QTest::newRow("resized") << Change([](Panel& p) { p.box->resize(120, 40); });
        QTest::newRow("moved") << Change([](Panel& p) { p.box->move(5, 33); });
        QTest::newRow("no frame") << Change([](Panel& p) { p.box->setFrame(false); });
    }
    void sameAsTheStyle() {
        QFETCH(Change, change);
        Panel plain(false);
        Panel cached(true);
        QCOMPARE(cached.parent.grab().toImage(), plain.parent.grab().toImage());
        change(plain);
        change(cached);
        QCOMPARE(cached.parent.grab().toImage(), plain.parent.grab().toImage());
    }

    // A new text repaints the box alone: the panel under it is not painted
    // again, and neither is its frame.
    void newTextRepaintsOnlyTheBox() {
        Panel cached(true);
        cached.parent.show();
        QVERIFY(QTest::qWaitForWindowExposed(&cached.parent));
        QTest::qWait(20); // the first painting over
        PaintLog log({&cached.parent, cached.box});
        cached.box->setText(QStringLiteral("45.68"));
        QTRY_COMPARE(log.count(cached.box), 1);
        QCoreApplication::processEvents();
        QCOMPARE(log.count(&cached.parent), 0);
    }
};

QTEST_MAIN(TestCachedPanelStyle)
#include "test_cached_panel_style.moc"
