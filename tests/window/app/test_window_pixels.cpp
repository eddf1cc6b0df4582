#include <QScreen>
#include <QStyleHints>
#include <QtTest>

#include "support/window_checks.h"

// The window as drawn during polling: after each stage of a fixed sequence of
// polls, the pixels on screen (what was painted bit by bit as the controls
// changed) and a fresh rendering of the whole window must both equal the
// reference pictures in tests/app/pixels/, taken from the window before its
// repainting was made cheaper. HT_WRITE_PIXELS=DIR writes the pictures this
// build draws into DIR instead of comparing, to make new references.
class TestWindowPixels : public QObject {
    Q_OBJECT

    static void Tick(WindowFixture& f) {
        f.tick();
        Settle();
    }
    static void Reply(WindowFixture& f, const QByteArray& bytes) {
        f.port.deliver(bytes);
        Settle();
    }
    // Lets the window paint what changed, as the event loop does between events.
    static void Settle() {
        for (int i = 0; i < 3; ++i) {
            QCoreApplication::processEvents();
        }
    }

    static QByteArray BadCrc(QByteArray bytes) {
        bytes[bytes.size() - 1] = static_cast<char>(bytes[bytes.size() - 1] ^ 0x55);
        return bytes;
    }

    // Compares both pictures of the window with the stored one (or writes it).
    static void Check(WindowFixture& f, const QString& stage) {
        QWidget& window = *f.window;
        const QImage onScreen = window.screen()
                                    ->grabWindow(window.winId())
                                    .toImage()
                                    .convertToFormat(QImage::Format_RGB32);
        const QImage rendered = window.grab().toImage().convertToFormat(QImage::Format_RGB32);
        const QString name = stage + QStringLiteral(".png");
        const QByteArray out = qgetenv("HT_WRITE_PIXELS");
        if (!out.isEmpty()) {
            QVERIFY(onScreen.save(QString::fromLocal8Bit(out) + QLatin1Char('/') + name));
            return;
        }
        const QImage reference =
            QImage(QStringLiteral(HT_PIXELS_DIR "/") + name).convertToFormat(QImage::Format_RGB32);
        QVERIFY2(!reference.isNull(), qPrintable(QStringLiteral("no reference ") + name));
        QCOMPARE(onScreen.size(), reference.size());
        QVERIFY2(onScreen == reference, qPrintable(stage + QStringLiteral(": screen differs")));
        QVERIFY2(rendered == reference, qPrintable(stage + QStringLiteral(": rendering differs")));
    }

private slots:
    void initTestCase() {
        // A steady cursor: a blinking one would make the pictures depend on timing.
        QGuiApplication::styleHints()->setCursorFlashTime(0);
    }

    void pollingLooksAsBefore() {
        WindowFixture f;
        ShowWindow(f);
        Settle();
        Check(f, QStringLiteral("start"));

        f.ui().cmdOneM->click();
        Settle();
        // Readings that change, repeat, fall below zero or are missing, and
        // responses with a bad CRC, each after its own poll.
        const QList<QByteArray> replies{
            ReadResponse(1, {4321}),         ReadResponse(1, {4321}),  ReadResponse(1, {4400}),
            BadCrc(ReadResponse(1, {5000})), ReadResponse(1, {65535}), ReadResponse(1, {65000}),
            ReadResponse(1, {65000}),        ReadResponse(1, {1234}),
        };
        for (const QByteArray& reply : replies) {
            Tick(f);
            Reply(f, reply);
        }
        Check(f, QStringLiteral("answered"));

        Tick(f); // no answer: the yellow light stays in front
        Check(f, QStringLiteral("waiting"));

        Reply(f, ReadResponse(1, {4321}));
        f.port.unplug();
        Settle();
        Tick(f); // the closed port is reported: the red light comes to the front
        Tick(f);
        Check(f, QStringLiteral("unplugged"));
    }

    // A reading that changes at every poll, as a real module's last digit
    // does, in texts of every width: a narrow text after a wide one must
    // leave nothing of the wide one behind.
    void changingReadingLooksAsBefore() {
        WindowFixture f;
        ShowWindow(f);
        Settle();
        f.ui().cmdOneM->click();
        Settle();
        const QList<QList<quint16>> stages{
            {4567, 4568, 4571, 4569, 10000, 65436, 1, 4570},
            {4572, 65535, 10000, 4566, 12345, 7},
        };
        for (int stage = 0; stage < stages.size(); ++stage) {
            for (const quint16 value : stages[stage]) {
                Tick(f);
                Reply(f, ReadResponse(1, {value}));
            }
            Check(f, QStringLiteral("changing-%1").arg(stage + 1));
        }
    }
};

QTEST_MAIN(TestWindowPixels)
#include "test_window_pixels.moc"
