// The port list on a copy of a bench PC's tree: every field of every row.
#include <algorithm>
#include <fcntl.h>
#include <stdlib.h>
#include <unistd.h>

#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QTest>

#include "fake_system.h"
#include "serial_ports/port_list.h"
#include "serial_ports/report_format.h"

using serial_ports::PortRow;

namespace {

// An FTDI adapter held by minicom, a CH340 without a serial number known to
// udev's database only, an Arduino on ttyACM0, one real UART and one
// placeholder, a virtual console, a simulator's pseudo-terminal pinned as
// COM3 and a COM7 link leading nowhere.
void BuildBench(FakeSystem& system) {
    system.Usb({});
    UsbSerial ch340 = Ch340();
    ch340.product.clear();
    ch340.manufacturer.clear();
    ch340.serial.clear();
    ch340.udevData = QStringLiteral("E:ID_MODEL_FROM_DATABASE=CH340 serial converter\n"
                                    "E:ID_VENDOR_FROM_DATABASE=QinHeng Electronics\n"
                                    "G:uaccess\n");
    system.Usb(ch340);
    UsbSerial uno = ArduinoUno();
    uno.product = QStringLiteral("Arduino Uno");
    uno.manufacturer = QStringLiteral("Arduino (www.arduino.cc)");
    uno.serial = QStringLiteral("85735313233351A0A1E1");
    uno.byId = QStringLiteral("usb-Arduino_Uno_85735313233351A0A1E1-if00");
    system.Usb(uno);
    system.Uart(QStringLiteral("ttyS0"), 4);
    system.Uart(QStringLiteral("ttyS1"), 0);
    system.Dir(QStringLiteral("/sys/devices/virtual/tty/tty0"));
    system.Link(QStringLiteral("/sys/class/tty/tty0"),
                QStringLiteral("../../devices/virtual/tty/tty0"));
    system.Device(QStringLiteral("/dev/tty0"));
    system.Device(QStringLiteral("/dev/pts/3"), 0620);
    system.Link(FakeSystem::kSettings + "/COM3", QStringLiteral("/dev/pts/3"));
    system.Link(FakeSystem::kSettings + "/COM7", QStringLiteral("/dev/pts/9"));
    system.File(QStringLiteral("/run/lock/LCK..ttyUSB0"), "      4321\n");
    system.Process(4321, QStringLiteral("minicom"), {{3, QStringLiteral("/dev/ttyUSB0")}});
    // The simulator holds both sides of its pseudo-terminal.
    system.Process(777, QStringLiteral("ht5530k-sim"), {{4, QStringLiteral("/dev/pts/3")}}, 3);
    system.Process(900, QStringLiteral("bash"), {{0, QStringLiteral("/dev/pts/0")}});
    system.view.user.activeGroups.push_back(system.fileGroup);
}

QString Holders(const PortRow& row) {
    QStringList text;
    for (const auto& holder : row.holding.holders) {
        text << QStringLiteral("%1 %2: %3")
                    .arg(holder.process.pid)
                    .arg(holder.process.command, holder.how);
    }
    return text.join(QStringLiteral("; "));
}

QString Numbers(const std::vector<int>& numbers) {
    QStringList text;
    for (int number : numbers) {
        text << QStringLiteral("COM%1").arg(number);
    }
    return text.join(QLatin1Char(' '));
}

} // namespace

class TestPortList : public QObject {
    Q_OBJECT
private slots:
    void listsEveryPortOnce();
    void rows_data();
    void rows();
    void jsonCarriesEveryField();
    void textShowsEachPortAsABlock();
    void realPseudoTerminalPinnedAsCom3();
};

void TestPortList::listsEveryPortOnce() {
    FakeSystem system;
    QVERIFY(system.valid());
    BuildBench(system);
    QStringList devices;
    for (const PortRow& row : serial_ports::ListPorts(system.view, FakeSystem::kSettings)) {
        devices << row.device;
    }
    // No placeholder ttyS1, no virtual console, nothing for the dangling COM7.
    QCOMPARE(devices, (QStringList{"/dev/pts/3", "/dev/ttyACM0", "/dev/ttyS0", "/dev/ttyUSB0",
                                   "/dev/ttyUSB1"}));
}

void TestPortList::rows_data() {
    QTest::addColumn<QString>("device");
    QTest::addColumn<QString>("kind");
    QTest::addColumn<QString>("names"); // by-id, then by-path
    QTest::addColumn<QString>("facts"); // description | manufacturer | serial | VID:PID | driver
    QTest::addColumn<QString>("windowPorts");
    QTest::addColumn<QString>("holders");
    QTest::addColumn<QString>("access");

    const auto row = [](const char* name, const char* device, const char* kind, const char* names,
                        const char* facts, const char* windowPorts, const char* holders,
                        const char* access) {
        QTest::newRow(name) << QString(device) << QString(kind) << QString(names) << QString(facts)
                            << QString(windowPorts) << QString(holders) << QString(access);
    };
    row("FTDI", "/dev/ttyUSB0", "usb",
        "/dev/serial/by-id/usb-FTDI_FT232R_USB_UART_A50285BI-if00-port0 "
        "/dev/serial/by-path/pci-0000:00:14.0-usb-0:2:1.0-port0",
        "FT232R USB UART|FTDI|A50285BI|0403:6001|ftdi_sio", "COM1",
        "4321 minicom: lock file /var/lock/LCK..ttyUSB0", "group dialout");
    row("CH340 named by udev", "/dev/ttyUSB1", "usb",
        "/dev/serial/by-id/usb-1a86_USB_Serial-if00-port0 "
        "/dev/serial/by-path/pci-0000:00:14.0-usb-0:3:1.0-port0",
        "CH340 serial converter|QinHeng Electronics||1a86:7523|ch341", "COM2", "", "group dialout");
    row("ACM", "/dev/ttyACM0", "usb", "/dev/serial/by-id/usb-Arduino_Uno_85735313233351A0A1E1-if00",
        "Arduino Uno|Arduino (www.arduino.cc)|85735313233351A0A1E1|2341:0043|cdc_acm", "", "",
        "group dialout");
    // COM1 is ttyUSB0 while that adapter is plugged in, so no COM number opens ttyS0.
    row("UART", "/dev/ttyS0", "uart", "", "||||", "", "", "group dialout");
    // The simulator at the other end is not a second holder.
    row("pseudo-terminal", "/dev/pts/3", "pseudo-terminal", "", "||||", "COM3", "",
        "crw--w---- root dialout");
}

void TestPortList::rows() {
    QFETCH(QString, device);
    QFETCH(QString, kind);
    QFETCH(QString, names);
    QFETCH(QString, facts);
    QFETCH(QString, windowPorts);
    QFETCH(QString, holders);
    QFETCH(QString, access);
    FakeSystem system;
    BuildBench(system);
    const std::vector<PortRow> rows = serial_ports::ListPorts(system.view, FakeSystem::kSettings);
    const auto row = std::find_if(rows.begin(), rows.end(),
                                  [&device](const PortRow& r) { return r.device == device; });
    QVERIFY(row != rows.end());
    QCOMPARE(serial_ports::KindText(row->kind), kind);
    QCOMPARE((row->byId + row->byPath).join(QLatin1Char(' ')), names);
    const serial_ports::PortFacts& f = row->facts;
    QCOMPARE(QStringList({f.description, f.manufacturer, f.serialNumber,
                          serial_ports::VidPidText(f), f.driver})
                 .join(QLatin1Char('|')),
             facts);
    QCOMPARE(Numbers(row->windowPorts), windowPorts);
    QCOMPARE(Holders(*row), holders);
    QCOMPARE(row->access.reason, access);
    if (device == QLatin1String("/dev/pts/3")) {
        QVERIFY(row->holding.ptyOwner);
        QCOMPARE(row->holding.ptyOwner->command, QStringLiteral("ht5530k-sim"));
        QCOMPARE(row->links, QStringList{FakeSystem::kSettings + "/COM3"});
    }
}

void TestPortList::jsonCarriesEveryField() {
    FakeSystem system;
    BuildBench(system);
    QJsonParseError error;
    const QJsonDocument document = QJsonDocument::fromJson(
        serial_ports::PortsJson(serial_ports::ListPorts(system.view, FakeSystem::kSettings)),
        &error);
    QCOMPARE(error.error, QJsonParseError::NoError);
    const QJsonArray rows = document.array();
    QCOMPARE(rows.size(), 5);
    const QJsonObject pty = rows.at(0).toObject();
    QCOMPARE(pty.value("device").toString(), QStringLiteral("/dev/pts/3"));
    QCOMPARE(pty.value("kind").toString(), QStringLiteral("pseudo-terminal"));
    QCOMPARE(pty.value("window_ports").toArray(), QJsonArray{"COM3"});
    QCOMPARE(pty.value("links").toArray(), QJsonArray{FakeSystem::kSettings + "/COM3"});
    QCOMPARE(pty.value("other_end").toObject().value("command").toString(),
             QStringLiteral("ht5530k-sim"));
    QVERIFY(pty.value("vid_pid").isNull());
    QVERIFY(!pty.value("may_open").toBool());
    const QJsonObject ftdi = rows.at(3).toObject();
    QCOMPARE(ftdi.value("device").toString(), QStringLiteral("/dev/ttyUSB0"));
    QCOMPARE(ftdi.value("by_id").toArray().size(), 1);
    QCOMPARE(ftdi.value("by_path").toArray().size(), 1);
    QCOMPARE(ftdi.value("description").toString(), QStringLiteral("FT232R USB UART"));
    QCOMPARE(ftdi.value("manufacturer").toString(), QStringLiteral("FTDI"));
    QCOMPARE(ftdi.value("serial_number").toString(), QStringLiteral("A50285BI"));
    QCOMPARE(ftdi.value("vid_pid").toString(), QStringLiteral("0403:6001"));
    QCOMPARE(ftdi.value("driver").toString(), QStringLiteral("ftdi_sio"));
    QCOMPARE(ftdi.value("latency_timer_ms").toInt(), 16);
    QCOMPARE(ftdi.value("window_ports").toArray(), QJsonArray{"COM1"});
    QVERIFY(ftdi.value("may_open").toBool());
    QCOMPARE(ftdi.value("access").toString(), QStringLiteral("group dialout"));
    const QJsonObject holder = ftdi.value("held_by").toArray().at(0).toObject();
    QCOMPARE(holder.value("pid").toInt(), 4321);
    QCOMPARE(holder.value("command").toString(), QStringLiteral("minicom"));
    QCOMPARE(holder.value("how").toString(), QStringLiteral("lock file /var/lock/LCK..ttyUSB0"));
    QVERIFY(rows.at(4).toObject().value("serial_number").isNull()); // the CH340 has none
}

void TestPortList::textShowsEachPortAsABlock() {
    FakeSystem system;
    BuildBench(system);
    const QStringList lines =
        serial_ports::PortsText(serial_ports::ListPorts(system.view, FakeSystem::kSettings))
            .split(QLatin1Char('\n'));
    const qsizetype ftdi =
        lines.indexOf("/dev/ttyUSB0  COM1  usb  0403:6001  FTDI  FT232R USB UART  serial A50285BI");
    QVERIFY2(ftdi >= 0, qPrintable(lines.join(QLatin1Char('\n'))));
    QCOMPARE(
        lines.mid(ftdi + 1, 4),
        (QStringList{"    by-id    /dev/serial/by-id/usb-FTDI_FT232R_USB_UART_A50285BI-if00-port0",
                     "    by-path  /dev/serial/by-path/pci-0000:00:14.0-usb-0:2:1.0-port0",
                     "    access   yes (group dialout)",
                     "    held     by process 4321 (minicom): lock file /var/lock/LCK..ttyUSB0"}));
    QVERIFY(lines.contains("/dev/pts/3  COM3  pseudo-terminal"));
    QVERIFY(lines.contains("    other end process 777 (ht5530k-sim)"));
}

// On this machine: a real pseudo-terminal, linked as COM3 in a settings folder.
void TestPortList::realPseudoTerminalPinnedAsCom3() {
    const int master = ::posix_openpt(O_RDWR | O_NOCTTY);
    QVERIFY(master >= 0);
    QVERIFY(::grantpt(master) == 0 && ::unlockpt(master) == 0);
    const QString pty = QString::fromLocal8Bit(::ptsname(master));
    QTemporaryDir settings;
    QVERIFY(QFile::link(pty, settings.filePath(QStringLiteral("COM3"))));
    const serial_ports::SystemView view = serial_ports::ThisMachine();
    const std::vector<PortRow> rows = serial_ports::ListPorts(view, settings.path());
    const auto row = std::find_if(rows.begin(), rows.end(),
                                  [&pty](const PortRow& r) { return r.device == pty; });
    QVERIFY2(row != rows.end(), qPrintable(pty));
    QCOMPARE(row->kind, PortRow::Kind::PseudoTerminal);
    QCOMPARE(Numbers(row->windowPorts), QStringLiteral("COM3"));
    QVERIFY(row->access.allowed); // its creator's
    QVERIFY(row->holding.holders.empty());
    ::close(master);
}

QTEST_GUILESS_MAIN(TestPortList)
#include "test_port_list.moc"
