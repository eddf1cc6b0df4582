#include <QApplication>
#include <QFile>
#include <QGroupBox>
#include <QImage>
#include <QPixmapCache>
#include <QStyleFactory>
#include <QTemporaryDir>
#include <QtTest>

#include "app/group_box_frame.h"

namespace {

const QString kFusionFrame =
    QStringLiteral(":/qt-project.org/styles/commonstyle/images/fusion_groupbox.png");

bool ImagePluginLoaded() {
    QFile maps(QStringLiteral("/proc/self/maps"));
    return maps.open(QIODevice::ReadOnly) && maps.readAll().contains("/imageformats/");
}

} // namespace

class TestGroupBoxFrame : public QObject {
    Q_OBJECT

private slots:
    // Runs first, while this process has loaded no image-format plugin.
    void groupBoxPaintsWithoutImagePlugins() {
        QApplication::setStyle(QStyleFactory::create(QStringLiteral("Fusion")));
        QVERIFY(!ImagePluginLoaded());
        QPixmapCache::clear();
        QVERIFY(PreloadGroupBoxFrame());
        QGroupBox box(QStringLiteral("串口设置"));
        box.resize(200, 120);
        QImage picture(box.size(), QImage::Format_ARGB32_Premultiplied);
        box.render(&picture);
        QVERIFY(!ImagePluginLoaded());
    }

    void preloadedFrameIsTheStylesOwn() {
        QPixmapCache::clear();
        QVERIFY(PreloadGroupBoxFrame());
        QPixmap cached;
        QVERIFY(QPixmapCache::find(PixmapLoadKey(kFusionFrame), &cached));
        // Read the way the style would, by file name with format detection.
        QCOMPARE(cached.toImage(), QPixmap::fromImage(QImage(kFusionFrame)).toImage());
    }

    // The key is the one QPixmap::load files a picture under, wherever it lives.
    void keyIsQPixmapLoads_data() {
        QTest::addColumn<QString>("path");
        QTest::newRow("Qt's resources") << kFusionFrame;
        QTest::newRow("a file on disk") << QStringLiteral("file");
    }
    void keyIsQPixmapLoads() {
        QFETCH(QString, path);
        QTemporaryDir folder;
        if (path == QLatin1String("file")) {
            path = folder.filePath(QStringLiteral("picture.png"));
            QImage image(37, 11, QImage::Format_ARGB32);
            image.fill(Qt::red);
            QVERIFY(image.save(path, "PNG"));
        }
        QPixmapCache::clear();
        const QPixmap loaded(path);
        QVERIFY(!loaded.isNull());
        QPixmap cached;
        QVERIFY(QPixmapCache::find(PixmapLoadKey(path), &cached));
        QCOMPARE(cached.cacheKey(), loaded.cacheKey());
    }

    void otherStylesAreLeftAlone() {
        QApplication::setStyle(QStyleFactory::create(QStringLiteral("Windows")));
        QPixmapCache::clear();
        QVERIFY(!PreloadGroupBoxFrame());
        QVERIFY(!QPixmapCache::find(PixmapLoadKey(kFusionFrame), static_cast<QPixmap*>(nullptr)));
    }
};

QTEST_MAIN(TestGroupBoxFrame)
#include "test_group_box_frame.moc"
