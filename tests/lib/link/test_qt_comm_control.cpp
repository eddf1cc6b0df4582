#include <asm/termbits.h>
#include <fcntl.h>
#include <memory>
#include <poll.h>
#include <stdlib.h>
#include <sys/ioctl.h>
#include <unistd.h>

#include <QFile>
#include <QSerialPort>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QTest>

#include "link/qt_comm_control.h"

namespace {

// A pseudo-terminal standing in for the device: the control opens the slave
// through a COM link, the test plays the device on the master.
class Pty {
public:
    Pty() {
        m_master = posix_openpt(O_RDWR | O_NOCTTY);
        if (m_master >= 0 && grantpt(m_master) == 0 && unlockpt(m_master) == 0) {
            if (const char* name = ptsname(m_master)) {
                m_slave = QString::fromLocal8Bit(name);
            }
        }
    }
    ~Pty() { hangUp(); }
    Pty(const Pty&) = delete;
    Pty& operator=(const Pty&) = delete;

    bool valid() const { return m_master >= 0 && !m_slave.isEmpty(); }
    QString slave() const { return m_slave; }

    // The device goes away, as a pulled USB adapter or a quitting simulator.
    void hangUp() {
        if (m_master >= 0) {
            ::close(m_master);
            m_master = -1;
        }
    }

    bool send(const QByteArray& bytes) const {
        return ::write(m_master, bytes.constData(), static_cast<size_t>(bytes.size())) ==
               bytes.size();
    }

    // Exactly one read(2), after waiting for something to arrive.
    QByteArray readOnce() const {
        pollfd fd{m_master, POLLIN, 0};
        if (::poll(&fd, 1, 5000) != 1) {
            return {};
        }
        char buffer[256];
        const ssize_t got = ::read(m_master, buffer, sizeof buffer);
        return got > 0 ? QByteArray(buffer, got) : QByteArray();
    }

    // The line as the slave is set up; the master's ioctls reach the slave.
    termios2 line() const {
        termios2 t{};
        ::ioctl(m_master, TCGETS2, &t);
        return t;
    }

private:
    int m_master = -1;
    QString m_slave;
};

} // namespace

class TestQtCommControl : public QObject {
    Q_OBJECT
private slots:
    void init();
    void cleanup();
    void opensWithLineSettings_data();
    void opensWithLineSettings();
    void staysClosedWhenNothingToOpen_data();
    void staysClosedWhenNothingToOpen();
    void writesFrameInOneRead();
    void receiveThreshold_data();
    void receiveThreshold();
    void floodStaysBoundedAndDiscards();
    void deviceLostOnce_data();
    void deviceLostOnce();
    void refusesDeviceHeldElsewhere();

private:
    bool linkCom4(const Pty& pty);
    bool openOnPty();

    std::unique_ptr<QTemporaryDir> m_folder;
    std::unique_ptr<Pty> m_pty;
    std::unique_ptr<QtCommControl> m_comm;
};

void TestQtCommControl::init() {
    m_folder = std::make_unique<QTemporaryDir>();
    QVERIFY(m_folder->isValid());
    m_pty = std::make_unique<Pty>();
    QVERIFY(m_pty->valid());
    m_comm = std::make_unique<QtCommControl>(m_folder->path());
    // COM4 always comes from the folder, so no test ever reaches a real port.
    m_comm->setCommPort(4);
    m_comm->setSettings(QStringLiteral("19200,N,8,1"));
}

void TestQtCommControl::cleanup() {
    m_comm.reset();
    m_pty.reset();
    m_folder.reset();
}

bool TestQtCommControl::linkCom4(const Pty& pty) {
    const QString link = m_folder->filePath(QStringLiteral("COM4"));
    QFile::remove(link);
    return QFile::link(pty.slave(), link);
}

bool TestQtCommControl::openOnPty() {
    if (!linkCom4(*m_pty)) {
        return false;
    }
    m_comm->setPortOpen(true);
    return m_comm->portOpen();
}

void TestQtCommControl::opensWithLineSettings_data() {
    QTest::addColumn<QString>("settings");
    QTest::addColumn<unsigned>("baud");
    QTest::newRow("19200") << "19200,N,8,1" << 19200u;
    // No standard termios constant: only works as a custom rate.
    QTest::newRow("14400") << "14400,N,8,1" << 14400u;
    QTest::newRow("9600") << "9600,N,8,1" << 9600u;
}

void TestQtCommControl::opensWithLineSettings() {
    QFETCH(QString, settings);
    QFETCH(unsigned, baud);
    m_comm->setSettings(settings);
    QVERIFY(openOnPty());
    const termios2 line = m_pty->line();
    QCOMPARE(line.c_ospeed, baud);
    QCOMPARE(line.c_ispeed, baud);
    QCOMPARE(line.c_cflag & CSIZE, tcflag_t(CS8));
    QCOMPARE(line.c_cflag & (PARENB | CSTOPB | CRTSCTS), tcflag_t(0));
    QCOMPARE(line.c_iflag & (IXON | IXOFF), tcflag_t(0));

    m_comm->setPortOpen(false);
    QVERIFY(!m_comm->portOpen());
}

void TestQtCommControl::staysClosedWhenNothingToOpen_data() {
    QTest::addColumn<int>("port");
    QTest::addColumn<QString>("settings");
    QTest::addColumn<bool>("linkToPty");
    QTest::newRow("COM link to a missing device") << 4 << "19200,N,8,1" << false;
    QTest::newRow("port number 0") << 0 << "19200,N,8,1" << true;
    QTest::newRow("unreadable settings") << 4 << "19200,E,8,1" << true;
}

void TestQtCommControl::staysClosedWhenNothingToOpen() {
    QFETCH(int, port);
    QFETCH(QString, settings);
    QFETCH(bool, linkToPty);
    if (linkToPty) {
        QVERIFY(linkCom4(*m_pty));
    } else {
        QVERIFY(QFile::link(m_folder->filePath(QStringLiteral("gone")),
                            m_folder->filePath(QStringLiteral("COM4"))));
    }
    QSignalSpy notified(m_comm.get(), &CommControl::onComm);
    m_comm->setCommPort(static_cast<std::int16_t>(port));
    m_comm->setSettings(settings);
    m_comm->setPortOpen(true);
    QVERIFY(!m_comm->portOpen());
    m_comm->output("x");
    QCOMPARE(m_comm->input(), QByteArray());
    QTest::qWait(50);
    QCOMPARE(notified.count(), 0);
}

void TestQtCommControl::writesFrameInOneRead() {
    QVERIFY(openOnPty());
    const QByteArray frame = QByteArray::fromHex("0103000000044409");
    m_comm->output(frame);
    // No event loop ran: the frame left during output().
    QCOMPARE(m_pty->readOnce(), frame);
}

void TestQtCommControl::receiveThreshold_data() {
    QTest::addColumn<int>("threshold");
    QTest::addColumn<int>("notifiedAfterSix");
    QTest::addColumn<int>("notifiedAfterSeven");
    QTest::newRow("7") << 7 << 0 << 1;
    QTest::newRow("0 never notifies") << 0 << 0 << 0;
}

void TestQtCommControl::receiveThreshold() {
    QFETCH(int, threshold);
    QFETCH(int, notifiedAfterSix);
    QFETCH(int, notifiedAfterSeven);
    m_comm->setRThreshold(threshold);
    QVERIFY(openOnPty());
    QSignalSpy notified(m_comm.get(), &CommControl::onComm);

    QVERIFY(m_pty->send(QByteArray::fromHex("010304000A00")));
    QTRY_COMPARE_WITH_TIMEOUT(m_comm->inBufferCount(), 6, 5000);
    QCOMPARE(notified.count(), notifiedAfterSix);

    QVERIFY(m_pty->send(QByteArray::fromHex("14")));
    QTRY_COMPARE_WITH_TIMEOUT(m_comm->inBufferCount(), 7, 5000);
    QCOMPARE(notified.count(), notifiedAfterSeven);
    if (notifiedAfterSeven > 0) {
        QCOMPARE(m_comm->commEvent(), std::int16_t(CommControl::Receive));
    }
    QCOMPARE(m_comm->input(), QByteArray::fromHex("010304000A0014"));
    QCOMPARE(m_comm->inBufferCount(), 0);
}

void TestQtCommControl::floodStaysBoundedAndDiscards() {
    QVERIFY(openOnPty());
    const auto size = static_cast<int>(CommControl::kInBufferSize);
    QVERIFY(m_pty->send(QByteArray(2 * size, 'f')));
    QTRY_COMPARE_WITH_TIMEOUT(m_comm->inBufferCount(), size, 5000);
    QTest::qWait(50);
    QCOMPARE(m_comm->inBufferCount(), size);

    // Taking part of the buffer lets reading go on.
    m_comm->setInputLen(100);
    QCOMPARE(m_comm->input().size(), 100);
    QTRY_COMPARE_WITH_TIMEOUT(m_comm->inBufferCount(), size, 5000);

    // Discarding drops both what waits here and what the driver still holds,
    // and must not leave reading stopped.
    m_comm->setInputLen(0);
    m_comm->setInBufferCount(0);
    QCOMPARE(m_comm->inBufferCount(), 0);
    QVERIFY(m_pty->send("next"));
    QTRY_COMPARE_WITH_TIMEOUT(m_comm->inBufferCount(), 4, 5000);
    QCOMPARE(m_comm->input(), QByteArray("next"));
}

void TestQtCommControl::deviceLostOnce_data() {
    QTest::addColumn<bool>("writeFirst");
    QTest::newRow("noticed while reading") << false;
    QTest::newRow("noticed while writing") << true;
}

void TestQtCommControl::deviceLostOnce() {
    QFETCH(bool, writeFirst);
    m_comm->setRThreshold(1);
    QVERIFY(openOnPty());
    auto* port = m_comm->findChild<QSerialPort*>();
    QVERIFY(port);
    QSignalSpy errors(port, &QSerialPort::errorOccurred);
    QSignalSpy notified(m_comm.get(), &CommControl::onComm);

    m_pty->hangUp();
    if (writeFirst) {
        m_comm->output(QByteArray::fromHex("0103000000044409"));
    }
    QTRY_VERIFY_WITH_TIMEOUT(!m_comm->portOpen(), 5000);
    QTRY_COMPARE_WITH_TIMEOUT(notified.count(), 1, 5000);
    QCOMPARE(m_comm->commEvent(), std::int16_t(CommControl::DeviceLost));

    // Left open, the hung-up device would report errors without end.
    QTest::qWait(500);
    QCOMPARE(notified.count(), 1);
    QCOMPARE(errors.count(), 1);

    // Plugged in again.
    m_pty = std::make_unique<Pty>();
    QVERIFY(m_pty->valid());
    QVERIFY(openOnPty());
    QVERIFY(m_pty->send("ok"));
    QTRY_COMPARE_WITH_TIMEOUT(notified.count(), 2, 5000);
    QCOMPARE(m_comm->commEvent(), std::int16_t(CommControl::Receive));
    QCOMPARE(m_comm->input(), QByteArray("ok"));
}

void TestQtCommControl::refusesDeviceHeldElsewhere() {
    QVERIFY(openOnPty());
    // Another way to the same device, as another program would take.
    QVERIFY(QFile::link(m_pty->slave(), m_folder->filePath(QStringLiteral("COM5"))));
    QtCommControl other(m_folder->path());
    other.setCommPort(5);
    other.setSettings(m_comm->settings());
    other.setPortOpen(true);
    QVERIFY(!other.portOpen());
    QVERIFY(m_comm->portOpen());

    m_comm->setPortOpen(false);
    other.setPortOpen(true);
    QVERIFY(other.portOpen());
}

QTEST_GUILESS_MAIN(TestQtCommControl)
#include "test_qt_comm_control.moc"
