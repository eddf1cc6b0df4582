// pin and unpin on a copy of a system's tree: what the COMn link becomes.
#include <QTest>

#include "fake_system.h"
#include "serial_ports/pin.h"

using Outcome = serial_ports::PinResult::Outcome;

class TestPin : public QObject {
    Q_OBJECT
private slots:
    void pin_data();
    void pin();
    void unpin_data();
    void unpin();
};

namespace {

const QString kLink = FakeSystem::kSettings + "/COM3";

// Before: COM5 pinned to ttyS0, COM6 a regular file, COM8 a folder.
void Build(FakeSystem& system) {
    system.Usb({});
    UsbSerial bare;
    bare.name = QStringLiteral("ttyUSB1");
    bare.usbPort = QStringLiteral("1-3");
    bare.byId.clear();
    bare.byPath = QStringLiteral("pci-0000:00:14.0-usb-0:3:1.0-port0");
    system.Usb(bare);
    system.Uart(QStringLiteral("ttyS0"), 4);
    system.Device(QStringLiteral("/dev/pts/3"));
    system.Device(QStringLiteral("/dev/null"));
    system.File(QStringLiteral("/home/op/notes.txt"), "not a device\n");
    system.Link(QStringLiteral("/home/op/gone"), QStringLiteral("/dev/ttyUSB7"));
    system.Link(FakeSystem::kSettings + "/COM5", QStringLiteral("/dev/ttyS0"));
    system.File(FakeSystem::kSettings + "/COM6", "4,19200\r\n");
    system.Dir(FakeSystem::kSettings + "/COM8");
}

// The refusal to replace or remove `entry` of the settings folder, which is
// `what` instead of a link.
QString NotALink(const QString& entry, const QString& what, const QString& doing) {
    const QString path = FakeSystem::kSettings + QLatin1Char('/') + entry;
    return path + " is " + what + ", not a link; not " + doing + " it. Move it away first (mv '" +
           path + "' '" + path + ".old') if the window should use a pin instead.";
}

QString LinkText(const FakeSystem& system, const QString& path) {
    return system.view.linkText(path).value_or(QStringLiteral("(no link)"));
}

} // namespace

void TestPin::pin_data() {
    QTest::addColumn<QString>("port");
    QTest::addColumn<QString>("device");
    QTest::addColumn<int>("outcome");
    QTest::addColumn<QString>("link");    // the text of COMn afterwards
    QTest::addColumn<QString>("message"); // a line the output must hold
    const auto row = [](const char* name, const char* port, const char* device, Outcome outcome,
                        const QString& link, const QString& message) {
        QTest::newRow(name) << QString(port) << QString(device) << int(outcome) << link << message;
    };

    const QString byId =
        QStringLiteral("/dev/serial/by-id/usb-FTDI_FT232R_USB_UART_A50285BI-if00-port0");
    const QString byPath = QStringLiteral("/dev/serial/by-path/pci-0000:00:14.0-usb-0:2:1.0-port0");
    const QString pts = QStringLiteral("/dev/pts/3");
    const QString none = QStringLiteral("(no link)");
    const QString notAPort =
        QStringLiteral(": not a port of the window, which offers COM1 to COM16");
    row("kernel name becomes by-id", "COM3", "ttyUSB0", Outcome::Done, byId,
        "COM3 -> " + byId + " (now /dev/ttyUSB0)");
    row("says why", "com3", "/dev/ttyUSB0", Outcome::Done, byId,
        "Pinned by its stable name in /dev/serial/by-id, not by the kernel name /dev/ttyUSB0: "
        "the pin stays with this adapter when it is plugged in again, elsewhere or in another "
        "order.");
    row("by-path kept as given", "COM3", "/dev/serial/by-path/pci-0000:00:14.0-usb-0:2:1.0-port0",
        Outcome::Done, byPath, "COM3 -> " + byPath + " (now /dev/ttyUSB0)");
    row("USB without by-id", "COM3", "ttyUSB1", Outcome::Done, "/dev/ttyUSB1",
        "/dev/ttyUSB1 has no /dev/serial/by-id name: the pin follows the kernel name, which "
        "another adapter may take after re-plugging.");
    row("pseudo-terminal", "COM3", "/dev/pts/3", Outcome::Done, pts, "COM3 -> /dev/pts/3");
    row("replaces a link", "COM5", "/dev/pts/3", Outcome::Done, pts,
        "It pointed at /dev/ttyS0 before.");
    row("COM16 is the last", "COM16", "/dev/pts/3", Outcome::Done, pts, "COM16 -> /dev/pts/3");
    row("COM17", "COM17", "/dev/pts/3", Outcome::Usage, none, "COM17" + notAPort);
    row("COM0", "COM0", "/dev/pts/3", Outcome::Usage, none, "COM0" + notAPort);
    row("regular file as device", "COM3", "/home/op/notes.txt", Outcome::Usage, none,
        "/home/op/notes.txt is a regular file, not a serial device; pin a device or a link to "
        "one");
    row("a device but no terminal", "COM3", "null", Outcome::Usage, none,
        "/dev/null is a device but not a terminal, so no serial port; pin a serial device or a "
        "link to one");
    row("a window port is no device", "COM3", "com5", Outcome::Usage, none,
        "COM5 is a port of the window, not a device; pin a device or a link to one");
    row("missing device", "COM3", "ttyUSB5", Outcome::Missing, none,
        "/dev/ttyUSB5 does not exist; `ht5530k-cli ports` lists the serial ports there are");
    row("dangling link as device", "COM3", "/home/op/gone", Outcome::Missing, none,
        "/home/op/gone is a link to /dev/ttyUSB7, which does not exist");
    row("never over a regular file", "COM6", "/dev/pts/3", Outcome::Refused, none,
        NotALink("COM6", "a regular file", "replacing"));
    row("never over a folder", "COM8", "/dev/pts/3", Outcome::Refused, none,
        NotALink("COM8", "a folder", "replacing"));
}

void TestPin::pin() {
    QFETCH(QString, port);
    QFETCH(QString, device);
    QFETCH(int, outcome);
    QFETCH(QString, link);
    QFETCH(QString, message);
    FakeSystem system;
    QVERIFY(system.valid());
    Build(system);
    const QString before = QString::fromUtf8(system.view.read(FakeSystem::kSettings + "/COM6"));
    const serial_ports::PinResult result =
        serial_ports::Pin(system.view, FakeSystem::kSettings, port, *AskedPort(device));
    QCOMPARE(int(result.outcome), outcome);
    QVERIFY2(result.message.split(QLatin1Char('\n')).contains(message), qPrintable(result.message));
    const QString name = port.toUpper();
    QCOMPARE(LinkText(system, FakeSystem::kSettings + QLatin1Char('/') + name), link);
    QCOMPARE(QString::fromUtf8(system.view.read(FakeSystem::kSettings + "/COM6")), before);
    QVERIFY(system.view.entries(FakeSystem::kSettings).filter(QStringLiteral(".new-")).isEmpty());
}

void TestPin::unpin_data() {
    QTest::addColumn<QString>("port");
    QTest::addColumn<int>("outcome");
    QTest::addColumn<QString>("message");
    QTest::addColumn<bool>("entryLeft"); // COMn still there afterwards
    const auto row = [](const char* name, const char* port, Outcome outcome, const QString& message,
                        bool entryLeft) {
        QTest::newRow(name) << QString(port) << int(outcome) << message << entryLeft;
    };
    row("removes the link", "COM5", Outcome::Done,
        "Removed COM5 -> /dev/ttyS0\nCOM5 is now /dev/ttyS4, which does not exist", false);
    row("nothing pinned", "COM4", Outcome::Done,
        "COM4 is not pinned in " + FakeSystem::kSettings + "; nothing to remove", false);
    row("regular file stays", "COM6", Outcome::Refused,
        NotALink("COM6", "a regular file", "removing"), true);
    row("COM17", "COM17", Outcome::Usage,
        "COM17: not a port of the window, which offers COM1 to COM16", false);
}

void TestPin::unpin() {
    QFETCH(QString, port);
    QFETCH(int, outcome);
    QFETCH(QString, message);
    QFETCH(bool, entryLeft);
    FakeSystem system;
    Build(system);
    const serial_ports::PinResult result =
        serial_ports::Unpin(system.view, FakeSystem::kSettings, port);
    QCOMPARE(int(result.outcome), outcome);
    QCOMPARE(result.message, message);
    const QFileInfo entry(system.host(FakeSystem::kSettings + QLatin1Char('/') + port));
    QCOMPARE(entry.exists() || entry.isSymLink(), entryLeft);
}

QTEST_GUILESS_MAIN(TestPin)
#include "test_pin.moc"
