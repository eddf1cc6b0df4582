#include <fcntl.h>
#include <poll.h>
#include <stdlib.h>
#include <unistd.h>

#include <QFile>
#include <QSerialPort>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QTest>

#include "link/qt_comm_control.h"

// A line whose far end stops reading (a wedged adapter, a stopped program on
// a pseudo-terminal) fills the output queue; that is not a vanished device.
class TestFullOutputQueue : public QObject {
    Q_OBJECT

    // Everything the far end can read now, without waiting.
    static QByteArray Drain(int master) {
        QByteArray got;
        char buffer[4096];
        pollfd fd{master, POLLIN, 0};
        while (::poll(&fd, 1, 0) == 1 && (fd.revents & POLLIN) != 0) {
            const ssize_t n = ::read(master, buffer, sizeof buffer);
            if (n <= 0) {
                break;
            }
            got.append(buffer, n);
        }
        return got;
    }

private slots:
    void farEndStopsReadingThenReadsAgain() {
        const int master = posix_openpt(O_RDWR | O_NOCTTY);
        QVERIFY(master >= 0);
        QVERIFY(grantpt(master) == 0 && unlockpt(master) == 0);
        QTemporaryDir folder;
        QVERIFY(QFile::link(QString::fromLocal8Bit(ptsname(master)), folder.filePath("COM4")));

        QtCommControl comm(folder.path());
        comm.setCommPort(4);
        comm.setSettings(QStringLiteral("19200,N,8,1"));
        comm.setRThreshold(1);
        comm.setPortOpen(true);
        QVERIFY(comm.portOpen());
        auto* port = comm.findChild<QSerialPort*>();
        QVERIFY(port);
        QSignalSpy notified(&comm, &CommControl::onComm);

        // The far end reads nothing while frames numbered in turn are queued,
        // until the line holds no more and the rest waits in the control.
        QByteArray queued;
        for (int i = 0; i < 200000 && comm.portOpen() && port->bytesToWrite() < 4096; ++i) {
            const QByteArray frame = QByteArray::number(i).rightJustified(8, '0');
            comm.output(frame);
            queued += frame;
        }
        QVERIFY(comm.portOpen());
        QVERIFY2(port->bytesToWrite() >= 4096, "the output queue never filled");
        QTest::qWait(300); // the far end keeps not reading
        QVERIFY(comm.portOpen());
        QCOMPARE(notified.count(), 0);

        // The far end reads again: every queued byte arrives, in order.
        QByteArray received;
        QTRY_VERIFY_WITH_TIMEOUT((received += Drain(master)).size() >= queued.size(), 20000);
        QCOMPARE(received.size(), queued.size());
        QVERIFY(received == queued);
        QVERIFY(comm.portOpen());
        QCOMPARE(notified.count(), 0);

        // And polling goes on: a request out, its answer in.
        comm.output("request");
        QByteArray request;
        QTRY_VERIFY_WITH_TIMEOUT((request += Drain(master)).size() >= 7, 5000);
        QCOMPARE(request, QByteArray("request"));
        QCOMPARE(::write(master, "answer", 6), 6);
        QTRY_COMPARE_WITH_TIMEOUT(notified.count(), 1, 5000);
        QCOMPARE(comm.commEvent(), std::int16_t(CommControl::Receive));
        QCOMPARE(comm.input(), QByteArray("answer"));
        ::close(master);
    }
};

QTEST_GUILESS_MAIN(TestFullOutputQueue)
#include "test_full_output_queue.moc"
