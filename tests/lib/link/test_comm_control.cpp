#include <QtTest>

#include "link/memory_comm_control.h"

// The notification rules every port implementation shares, seen through the
// in-memory port.
class TestCommControl : public QObject {
    Q_OBJECT

    struct Recorder {
        QList<int> events;
        QList<QByteArray> reads;
    };

    static void Record(MemoryCommControl& port, Recorder& recorder, bool readOnReceive) {
        QObject::connect(&port, &CommControl::onComm, &port, [&port, &recorder, readOnReceive] {
            recorder.events.append(port.commEvent());
            if (readOnReceive && port.commEvent() == CommControl::Receive) {
                recorder.reads.append(port.input());
            }
        });
    }

private slots:
    void threshold_data() {
        QTest::addColumn<int>("threshold");
        QTest::addColumn<QList<int>>("chunks");
        QTest::addColumn<int>("notifications");
        QTest::newRow("off") << 0 << QList<int>{1, 5, 10} << 0;
        QTest::newRow("every byte") << 1 << QList<int>{1, 1, 1} << 3;
        QTest::newRow("reached at once") << 7 << QList<int>{7} << 1;
        QTest::newRow("reached in pieces") << 7 << QList<int>{3, 3, 1} << 1;
        QTest::newRow("one short") << 7 << QList<int>{3, 3} << 0;
    }
    void threshold() {
        QFETCH(int, threshold);
        QFETCH(QList<int>, chunks);
        QFETCH(int, notifications);
        MemoryCommControl port;
        Recorder recorder;
        Record(port, recorder, true);
        port.setPortOpen(true);
        port.setRThreshold(threshold);
        for (int size : chunks) {
            port.deliver(QByteArray(size, '\x01'));
        }
        QCOMPARE(recorder.events.size(), notifications);
    }

    void bytesCollectWhileOffAndAreDiscarded() {
        MemoryCommControl port;
        port.setPortOpen(true);
        port.deliver("abc");
        QCOMPARE(port.inBufferCount(), 3);
        QCOMPARE(port.input(), QByteArray("abc"));
        port.deliver("def");
        port.setInBufferCount(0);
        QCOMPARE(port.inBufferCount(), 0);
    }

    void receiveBufferIsBounded() {
        MemoryCommControl port;
        port.setPortOpen(true);
        port.deliver(QByteArray(5000, 'x'));
        QCOMPARE(port.inBufferCount(), int{CommControl::kInBufferSize});
    }

    void heldNotificationsComeAfterRelease() {
        MemoryCommControl port;
        Recorder recorder;
        Record(port, recorder, true);
        port.setPortOpen(true);
        port.setRThreshold(2);
        port.hold();
        port.deliver("a");
        port.raise(CommControl::Break);
        port.deliver("bc");
        port.hold(); // nested
        port.release();
        QVERIFY(recorder.events.isEmpty());
        port.release();
        // The other event in order, then one receive with every byte.
        QCOMPARE(recorder.events, (QList<int>{CommControl::Break, CommControl::Receive}));
        QCOMPARE(recorder.reads, QList<QByteArray>{QByteArray("abc")});
    }

    // At the end of a handler the bytes then waiting are judged against the
    // threshold then set, whatever the handler did meanwhile.
    void releaseJudgesWhatWaits_data() {
        QTest::addColumn<int>("thresholdBefore");
        QTest::addColumn<QByteArray>("waitingBefore"); // arrived before the hold
        QTest::addColumn<QByteArray>("arriving");      // arrives while held
        QTest::addColumn<QString>("handler");
        QTest::addColumn<QByteArray>("read"); // empty: no notification
        QTest::newRow("input discarded")
            << 1 << QByteArray() << QByteArray("late") << "discard" << QByteArray();
        QTest::newRow("port closed")
            << 1 << QByteArray() << QByteArray("late") << "close" << QByteArray();
        QTest::newRow("threshold raised past it")
            << 1 << QByteArray() << QByteArray("abc") << "threshold 7" << QByteArray();
        QTest::newRow("threshold lowered to what waits")
            << 7 << QByteArray() << QByteArray("abc") << "threshold 3" << QByteArray("abc");
        QTest::newRow("armed over bytes that came unannounced")
            << 0 << QByteArray("abcdefg") << QByteArray() << "threshold 7" << QByteArray("abcdefg");
    }
    void releaseJudgesWhatWaits() {
        QFETCH(int, thresholdBefore);
        QFETCH(QByteArray, waitingBefore);
        QFETCH(QByteArray, arriving);
        QFETCH(QString, handler);
        QFETCH(QByteArray, read);
        MemoryCommControl port;
        Recorder recorder;
        Record(port, recorder, true);
        port.setPortOpen(true);
        port.setRThreshold(thresholdBefore);
        if (!waitingBefore.isEmpty()) {
            port.deliver(waitingBefore);
        }
        port.hold();
        if (!arriving.isEmpty()) {
            port.deliver(arriving);
        }
        if (handler == "discard") {
            port.setInBufferCount(0);
        } else if (handler == "close") {
            port.setPortOpen(false);
        } else {
            port.setRThreshold(handler.split(' ').last().toInt());
        }
        port.release();
        QCOMPARE(recorder.reads, read.isEmpty() ? QList<QByteArray>{} : QList<QByteArray>{read});
        if (handler == "close") {
            QCOMPARE(port.inBufferCount(), 0);
        }
    }

    void unplugClosesAndNotifiesOnce() {
        MemoryCommControl port;
        Recorder recorder;
        Record(port, recorder, false);
        port.setPortOpen(true);
        port.unplug();
        port.unplug();
        QVERIFY(!port.portOpen());
        QCOMPARE(recorder.events, QList<int>{CommControl::DeviceLost});
        port.output("x");
        QVERIFY(port.writes.isEmpty());
    }

    void baudOfSettings_data() {
        QTest::addColumn<QString>("settings");
        QTest::addColumn<int>("baud");
        QTest::newRow("19200") << "19200,N,8,1" << 19200;
        QTest::newRow("14400") << "14400,N,8,1" << 14400;
        QTest::newRow("no baud") << ",N,8,1" << 0;
        QTest::newRow("other framing") << "9600,E,7,1" << 0;
        QTest::newRow("negative") << "-9600,N,8,1" << 0;
        QTest::newRow("garbage") << "abc" << 0;
    }
    void baudOfSettings() {
        QFETCH(QString, settings);
        QFETCH(int, baud);
        QCOMPARE(BaudOfSettings(settings), baud);
    }
};

QTEST_GUILESS_MAIN(TestCommControl)
#include "test_comm_control.moc"
