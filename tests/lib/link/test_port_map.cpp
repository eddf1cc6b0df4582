#include <QFile>
#include <QFileInfo>
#include <QTemporaryDir>
#include <QTest>

#include "link/port_map.h"

class TestPortMap : public QObject {
    Q_OBJECT
private slots:
    void initTestCase();
    void mapsNumber_data();
    void mapsNumber();
    void looksUpDevicesInTheGivenFolder();

private:
    QTemporaryDir m_folder;
};

void TestPortMap::initTestCase() {
    QVERIFY(m_folder.isValid());
    QFile plain(m_folder.filePath(QStringLiteral("COM2")));
    QVERIFY(plain.open(QIODevice::WriteOnly));
    // A link whose target is gone still names the port: the device behind it
    // may appear later, and opening it then simply fails.
    QVERIFY(QFile::link(m_folder.filePath(QStringLiteral("nowhere")),
                        m_folder.filePath(QStringLiteral("COM3"))));
    QVERIFY(QFile::link(QStringLiteral("/dev/null"), m_folder.filePath(QStringLiteral("COM10"))));
}

static QString SystemDevice(int index) {
    const QString usb = QStringLiteral("/dev/ttyUSB%1").arg(index);
    return QFileInfo::exists(usb) ? usb : QStringLiteral("/dev/ttyS%1").arg(index);
}

void TestPortMap::mapsNumber_data() {
    QTest::addColumn<int>("number");
    QTest::addColumn<QString>("inFolder"); // empty: not found in the program folder
    QTest::addColumn<QString>("device");   // expected when not in the folder

    QTest::newRow("file in folder") << 2 << "COM2" << QString();
    QTest::newRow("dangling link in folder") << 3 << "COM3" << QString();
    QTest::newRow("link in folder, two digits") << 10 << "COM10" << QString();
    // COM1 must not be taken for COM10 (or the other way round).
    QTest::newRow("first system port") << 1 << QString() << SystemDevice(0);
    QTest::newRow("fifth system port") << 5 << QString() << SystemDevice(4);
    QTest::newRow("zero") << 0 << QString() << QString();
    QTest::newRow("negative") << -1 << QString() << QString();
}

void TestPortMap::mapsNumber() {
    QFETCH(int, number);
    QFETCH(QString, inFolder);
    QFETCH(QString, device);
    const QString expected = inFolder.isEmpty() ? device : m_folder.filePath(inFolder);
    QCOMPARE(DeviceForPort(m_folder.path(), number), expected);
}

// A copy of a system's /dev: USB adapters there win over its UARTs, the
// settings folder over both.
void TestPortMap::looksUpDevicesInTheGivenFolder() {
    QTemporaryDir dev;
    QVERIFY(dev.isValid());
    QFile usb(dev.filePath(QStringLiteral("ttyUSB1")));
    QVERIFY(usb.open(QIODevice::WriteOnly));
    QCOMPARE(DeviceForPort(m_folder.path(), 2, dev.path()),
             m_folder.filePath(QStringLiteral("COM2")));
    QCOMPARE(DeviceForPort(m_folder.path(), 4, dev.path()), dev.filePath(QStringLiteral("ttyS3")));
    QCOMPARE(DeviceForPort(QStringLiteral("/nonexistent"), 2, dev.path()), usb.fileName());
}

QTEST_GUILESS_MAIN(TestPortMap)
#include "test_port_map.moc"
