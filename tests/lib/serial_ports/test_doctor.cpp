// doctor on copies of a bench PC's tree: every finding, its verdict and its fixes.
#include <QRegularExpression>
#include <QTest>

#include "fake_system.h"
#include "serial_ports/doctor.h"
#include "serial_ports/report_format.h"

using serial_ports::Verdict;

namespace {

const QString kFtdi = QStringLiteral("/dev/ttyUSB0");
const QString kById =
    QStringLiteral("/dev/serial/by-id/usb-FTDI_FT232R_USB_UART_A50285BI-if00-port0");
const QString kCommSet = FakeSystem::kSettings + "/comm.set";

// One line a finding: verdict, check, subject, text, then each fix.
QString Render(const serial_ports::Finding& finding) {
    static const char* verdicts[] = {"ok", "note", "PROBLEM"};
    QString line = QStringLiteral("%1 %2 %3: %4")
                       .arg(QLatin1String(verdicts[int(finding.verdict)]), finding.check,
                            finding.subject, finding.text);
    for (const serial_ports::Fix& fix : finding.fixes) {
        line += QStringLiteral(" | ") + fix.command;
        if (!fix.remark.isEmpty()) {
            line += QStringLiteral(" (") + fix.remark + QLatin1Char(')');
        }
    }
    return line;
}

// Every finding of a run, one line each.
QStringList Lines(const serial_ports::DoctorReport& report) {
    QStringList lines;
    for (const serial_ports::Finding& finding : report.findings) {
        lines << Render(finding);
    }
    return lines;
}

// A healthy bench: one FTDI adapter at 1 ms, op in dialout, comm.set on COM1.
void BuildBench(FakeSystem& system, int latency = 1) {
    UsbSerial ftdi;
    ftdi.latencyMs = latency;
    system.Usb(ftdi);
    system.view.user.activeGroups.push_back(system.fileGroup);
    system.view.user.memberGroups.push_back(system.fileGroup);
    system.File(kCommSet, "1,19200\r\n");
}

// Lines of Debian's 85-brltty.rules.
const QByteArray kBrlttyRules =
    "# Device: 1A86:7523\n"
    "ENV{PRODUCT}==\"1a86/7523/*\", ENV{BRLTTY_BRAILLE_DRIVER}=\"bm\", GOTO=\"brltty_usb_run\"\n"
    "# Device: 10C4:EA60\n"
    "ENV{PRODUCT}==\"10c4/ea60/*\", ENV{BRLTTY_BRAILLE_DRIVER}=\"mm,sk\", "
    "GOTO=\"brltty_usb_run\"\n"
    "ENV{PRODUCT}==\"f4e/100/*\", ENV{BRLTTY_BRAILLE_DRIVER}=\"fs\", GOTO=\"brltty_usb_run\"\n";

} // namespace

class TestDoctor : public QObject {
    Q_OBJECT
private slots:
    void healthyBenchIsAllOk();
    void finding_data();
    void finding();
    void textListsFixesAsCommands();
};

void TestDoctor::healthyBenchIsAllOk() {
    FakeSystem system;
    QVERIFY(system.valid());
    BuildBench(system);
    const serial_ports::DoctorReport report =
        serial_ports::RunDoctor(system.view, {FakeSystem::kSettings}, std::nullopt);
    QCOMPARE(Lines(report),
             (QStringList{
                 "ok access /dev/ttyUSB0: op may open it (group dialout)",
                 "ok held /dev/ttyUSB0: no other program holds it",
                 "ok latency /dev/ttyUSB0: latency_timer is 1 ms",
                 "ok brltty : brltty (braille displays) is not installed",
                 "ok modemmanager : ModemManager is not running",
                 "ok link " + FakeSystem::kSettings + ": no COMn links",
                 "ok comm.set " + kCommSet +
                     ": the window's saved port is COM1 at 19200 baud, which is /dev/ttyUSB0",
             }));
    QCOMPARE(report.exitCode(), 0);
}

void TestDoctor::finding_data() {
    QTest::addColumn<QString>("scenario");
    QTest::addColumn<QString>("port"); // --port, empty for all ports
    QTest::addColumn<QString>("expected");
    QTest::addColumn<int>("exitCode");
    const auto row = [](const char* name, const char* scenario, const char* port, int exitCode,
                        const QString& expected) {
        QTest::newRow(name) << QString(scenario) << QString(port) << expected << exitCode;
    };

    const QString noAccess =
        "PROBLEM access /dev/ttyUSB0: op may not open it (crw-rw---- root dialout): not in group "
        "dialout";
    const QString accessFixes =
        " | sudo usermod -aG dialout op (then log out and in again) | sudo setfacl -m u:op:rw "
        "/dev/ttyUSB0 (until it is unplugged or the machine restarts)";
    const QString heldByMinicom = "PROBLEM held /dev/ttyUSB0: held by process 4321 (minicom): lock "
                                  "file /var/lock/LCK..";
    const QString quitMinicom = " | kill 4321 (or quit minicom the usual way)";
    const QString commSet = "comm.set " + kCommSet + ": ";
    const QString saveDefaults = " | printf '4,19200\\r\\n' > " + kCommSet +
                                 " (your port and rate, or save them in the window)";
    const QString pinCom4 = ": the window opens nothing | ht5530k-cli pin COM4 " + kById +
                            " (the one USB serial adapter plugged in)";
    const QString listPorts = " | ht5530k-cli ports (lists the serial ports there are)";

    row("user without access", "no access", "", 1, noAccess + accessFixes);
    row("uaccess tag over SSH", "no access, uaccess", "", 1,
        noAccess +
            "; its udev tag uaccess gives access only to the person logged in at the machine "
            "itself, not over SSH" +
            accessFixes);
    row("membership not in this login", "not active", "", 1,
        "PROBLEM login /dev/ttyUSB0: op is in group dialout, but this login is not: the "
        "membership was added after op logged in (crw-rw---- root dialout) | newgrp dialout "
        "(in this shell only; log out and in again for every program)");
    row("access by ACL", "acl", "", 0, "ok access /dev/ttyUSB0: op may open it (ACL for op)");
    row("held lock file", "lock", "", 1, heldByMinicom + "ttyUSB0" + quitMinicom);
    row("lock file named after the by-id link", "by-id lock", "", 1,
        heldByMinicom + "serial_by-id_usb-FTDI_FT232R_USB_UART_A50285BI-if00-port0" + quitMinicom);
    row("held open without a lock", "open", "", 1,
        "PROBLEM held /dev/ttyUSB0: held by process 5000 (screen): has it open | kill 5000 (or "
        "quit screen the usual way)");
    row("stale lock file", "stale lock", "", 0,
        "note lock /dev/ttyUSB0: stale lock file /var/lock/LCK..ttyUSB0: the process it names "
        "is gone; programs that honour lock files may refuse the port | rm "
        "/var/lock/LCK..ttyUSB0");
    row("other users' processes", "hidden", "", 0,
        "ok held /dev/ttyUSB0: no other program holds it as far as can be seen (the open files "
        "of 1 processes of other users are hidden from this user)");
    row("FTDI latency 16", "latency 16", "", 1,
        "PROBLEM latency /dev/ttyUSB0: latency_timer is 16 ms: the FTDI chip holds a short "
        "answer up to 16 ms before passing it on, so every exchange takes up to 16 ms longer; "
        "polling every 50 ms, up to 32% of each interval is spent waiting | echo 1 | sudo tee "
        "/sys/class/tty/ttyUSB0/device/latency_timer (until it is unplugged) | echo "
        "'ACTION==\"add\", SUBSYSTEM==\"usb-serial\", DRIVER==\"ftdi_sio\", "
        "ATTR{latency_timer}=\"1\"' | sudo tee /etc/udev/rules.d/71-ftdi-latency.rules (for "
        "every FTDI adapter from its next plugging on)");
    row("dangling COMn link", "dangling", "", 1,
        "PROBLEM link " + FakeSystem::kSettings +
            "/COM7: COM7 -> /dev/pts/9 leads nowhere: the window's COM7 opens nothing | "
            "ht5530k-cli unpin COM7");
    row("COMn a regular file", "regular COM2", "", 1,
        "PROBLEM link " + FakeSystem::kSettings +
            "/COM2: COM2 (not a link) is not a serial device: the window's COM2 opens it and "
            "fails | mv " +
            FakeSystem::kSettings + "/COM2 " + FakeSystem::kSettings + "/COM2.old");
    row("good COMn link", "good link", "", 0,
        "ok link " + FakeSystem::kSettings + ": 1 COMn link, leading to a device");
    row("saved port missing", "comm.set COM4", "", 1,
        "PROBLEM " + commSet +
            "the window's saved port is COM4 at 9600 baud, which is /dev/ttyS3 and does not "
            "exist" +
            pinCom4);
    row("saved port a placeholder UART", "comm.set placeholder", "", 1,
        "PROBLEM " + commSet +
            "the window's saved port is COM4 at 9600 baud, which is /dev/ttyS3 and has no UART "
            "behind it" +
            pinCom4);
    row("saved port pinned", "comm.set pinned", "", 0,
        "ok " + commSet + "the window's saved port is COM3 at 19200 baud, which is " +
            FakeSystem::kSettings + "/COM3 (/dev/pts/3)");
    row("saved port outside the list", "comm.set 17", "", 1,
        "PROBLEM " + commSet +
            "comm.set names port 17, which the window does not offer: it starts with no port "
            "open | printf '4,9600\\r\\n' > " +
            kCommSet + " (COM4, or save a port in the window)");
    row("no comm.set, two adapters", "no comm.set", "", 1,
        "note " + commSet +
            "does not exist: the window starts on COM4 at 19200 baud, and ht5530k-cli needs -p "
            "and -b" +
            saveDefaults);
    row("no comm.set: where the window starts", "no comm.set", "", 1,
        "PROBLEM " + commSet +
            "the window starts on COM4 at 19200 baud, which is /dev/ttyS3 and does not exist: "
            "the window opens nothing | ht5530k-cli ports (to choose a DEVICE) | ht5530k-cli pin "
            "COM4 DEVICE");
    row("comm.set a folder", "comm.set folder", "", 1,
        "PROBLEM " + commSet +
            "is a folder, not a file: the window starts on COM4 at 19200 baud, and ht5530k-cli "
            "needs -p and -b | mv " +
            kCommSet + " " + kCommSet + ".old" + saveDefaults);
    row("comm.set garbled", "comm.set garbled", "", 1,
        "PROBLEM " + commSet +
            "holds no port and rate: it starts \"COM4\\r\\n\": the window starts on COM4 at "
            "19200 baud, and ht5530k-cli needs -p and -b" +
            saveDefaults);
    row("saved rate not the module's", "comm.set 1200", "", 0,
        "note " + commSet +
            "comm.set saves the rate 1200, which is none of the module's (4800, 9600, 14400, "
            "19200): the window opens the port at 1200 and the module does not understand it | "
            "printf '3,19200\\r\\n' > " +
            kCommSet + " (or the module's rate, or save it in the window)");
    row("asked port not a terminal", "null device", "/dev/null", 1,
        "PROBLEM port : /dev/null is a device but not a terminal, so no serial port" + listPorts);
    row("brltty claims the CH340", "brltty", "", 1,
        "PROBLEM brltty : brltty is installed and its udev rules "
        "(/usr/lib/udev/rules.d/85-brltty.rules) hand 3 USB adapter models to its braille "
        "display drivers, among them the serial adapters CH340 (1a86:7523), CP210x "
        "(10c4:ea60): such an adapter's port is taken away moments after it is plugged in; it "
        "claims /dev/ttyUSB1 (1a86:7523) | sudo apt remove brltty (when no braille display is "
        "used) | sudo ln -s /dev/null /etc/udev/rules.d/85-brltty.rules (keeps brltty, stops "
        "it claiming USB adapters; then re-plug)");
    row("brltty masked", "brltty masked", "", 0,
        "ok brltty : brltty is installed, but no udev rules of its claim USB adapters "
        "(/etc/udev/rules.d/85-brltty.rules masks them)");
    row("ModemManager and an ACM adapter", "modemmanager acm", "", 1,
        "PROBLEM modemmanager : ModemManager is running (process 612) and probes /dev/ttyACM0 "
        "with modem commands for several seconds after it appears, holding the port and "
        "sending bytes the module reads as noise | sudo systemctl disable --now ModemManager "
        "(when no modem is used) | echo 'ATTRS{idVendor}==\"2341\", "
        "ATTRS{idProduct}==\"0043\", ENV{ID_MM_DEVICE_IGNORE}=\"1\"' | sudo tee "
        "/etc/udev/rules.d/71-modemmanager-ignore.rules (keeps ModemManager for modems, "
        "leaves /dev/ttyACM0 alone from its next plugging on)");
    row("ModemManager, ACM adapter ignored", "modemmanager ignored", "", 0,
        "note modemmanager : ModemManager is running (process 612): it probes a ttyACM adapter "
        "with modem commands for several seconds after it is plugged in; wait for it before "
        "opening one | sudo systemctl disable --now ModemManager (when no modem is used)");
    row("asked port missing", "", "COM5", 3,
        "PROBLEM port : COM5 is /dev/ttyS4, which does not exist" + listPorts);
    row("asked port a placeholder UART", "comm.set placeholder", "COM4", 1,
        "PROBLEM port : COM4 is /dev/ttyS3, which has no UART behind it: opening it fails" +
            listPorts);
    row("asked port by path", "", "/dev/serial/by-path/pci-0000:00:14.0-usb-0:2:1.0-port0", 0,
        "ok port : /dev/serial/by-path/pci-0000:00:14.0-usb-0:2:1.0-port0 leads to "
        "/dev/ttyUSB0");
    row("asked port by kernel name", "", "ttyUSB0", 0,
        "ok port : ttyUSB0 is /dev/ttyUSB0, which exists");
    row("asked port missing, other problems too", "latency 16", "/dev/ttyUSB3", 3,
        "PROBLEM port : /dev/ttyUSB3 does not exist" + listPorts);
    row("simulator's pseudo-terminal", "pty", "COM3", 0,
        "ok held /dev/pts/3: no other program holds it; it is a pseudo-terminal of process 777 "
        "(ht5530k-sim)");
    row("no ports at all", "no ports", "", 1,
        "note port : no serial ports found | sudo dmesg --follow (shows an adapter being "
        "recognised as it is plugged in)");
}

void TestDoctor::finding() {
    QFETCH(QString, scenario);
    QFETCH(QString, port);
    QFETCH(QString, expected);
    QFETCH(int, exitCode);
    FakeSystem system;
    QVERIFY(system.valid());
    if (scenario == QLatin1String("no ports")) {
        system.File(kCommSet, "1,19200\r\n");
    } else {
        BuildBench(system, scenario == QLatin1String("latency 16") ? 16 : 1);
    }
    auto& user = system.view.user;
    if (scenario.startsWith(QLatin1String("no access"))) {
        user.activeGroups = {FakeSystem::kOtherGroup};
        user.memberGroups = {FakeSystem::kOtherGroup};
        if (scenario.endsWith(QLatin1String("uaccess"))) {
            system.File("/run/udev/data/c188:0", "E:ID_SERIAL_SHORT=A50285BI\nG:uaccess\n");
        }
    } else if (scenario == QLatin1String("not active")) {
        user.activeGroups = {FakeSystem::kOtherGroup};
    } else if (scenario == QLatin1String("acl")) {
        user.activeGroups = {FakeSystem::kOtherGroup};
        using Tag = serial_ports::AclEntry::Tag;
        system.Acl(kFtdi, {{Tag::UserObj, 0, 6},
                           {Tag::User, user.uid, 6},
                           {Tag::GroupObj, 0, 6},
                           {Tag::Mask, 0, 6},
                           {Tag::Other, 0, 0}});
    } else if (scenario == QLatin1String("lock")) {
        system.File("/run/lock/LCK..ttyUSB0", "      4321\n");
        system.Process(4321, QStringLiteral("minicom"), {{3, kFtdi}});
    } else if (scenario == QLatin1String("by-id lock")) {
        // QLockFile's layout: pid, program, host.
        system.File("/run/lock/LCK..serial_by-id_usb-FTDI_FT232R_USB_UART_A50285BI-if00-port0",
                    "4321\nminicom\nbench\n");
        system.Process(4321, QStringLiteral("minicom"));
    } else if (scenario == QLatin1String("open")) {
        system.Process(5000, QStringLiteral("screen"), {{5, kFtdi}});
    } else if (scenario == QLatin1String("stale lock")) {
        system.File("/run/lock/LCK..ttyUSB0", "      999\n");
    } else if (scenario == QLatin1String("hidden")) {
        system.Process(6000, QStringLiteral("sshd"));
        QFile::setPermissions(system.host("/proc/6000/fd"), QFileDevice::Permissions{});
        if (QFileInfo(system.host("/proc/6000/fd")).isReadable()) {
            QSKIP("root reads every folder; a hidden process needs another user");
        }
    } else if (scenario == QLatin1String("dangling")) {
        system.Link(FakeSystem::kSettings + "/COM7", QStringLiteral("/dev/pts/9"));
    } else if (scenario == QLatin1String("regular COM2")) {
        system.File(FakeSystem::kSettings + "/COM2", "hello\n");
    } else if (scenario == QLatin1String("good link") || scenario == QLatin1String("pty") ||
               scenario == QLatin1String("comm.set pinned") ||
               scenario == QLatin1String("comm.set 1200")) {
        system.Device(QStringLiteral("/dev/pts/3"));
        system.Link(FakeSystem::kSettings + "/COM3", QStringLiteral("/dev/pts/3"));
        system.Process(777, QStringLiteral("ht5530k-sim"), {{4, QStringLiteral("/dev/pts/3")}}, 3);
        if (scenario == QLatin1String("comm.set pinned")) {
            system.File(kCommSet, "3,19200\r\n");
        }
        if (scenario == QLatin1String("comm.set 1200")) {
            system.File(kCommSet, "3,1200\r\n");
        }
    } else if (scenario == QLatin1String("comm.set COM4")) {
        system.File(kCommSet, "4,9600\r\n");
    } else if (scenario == QLatin1String("comm.set placeholder")) {
        system.File(kCommSet, "4,9600\r\n");
        system.Uart(QStringLiteral("ttyS3"), 0);
    } else if (scenario == QLatin1String("comm.set 17")) {
        system.File(kCommSet, "17,9600\r\n");
    } else if (scenario == QLatin1String("comm.set folder")) {
        QFile::remove(system.host(kCommSet));
        system.Dir(kCommSet);
    } else if (scenario == QLatin1String("comm.set garbled")) {
        system.File(kCommSet, "COM4\r\n");
    } else if (scenario == QLatin1String("null device")) {
        system.Device(QStringLiteral("/dev/null"));
    } else if (scenario == QLatin1String("no comm.set")) {
        QFile::remove(system.host(kCommSet));
        system.Usb(Ch340());
    } else if (scenario.startsWith(QLatin1String("brltty"))) {
        system.Usb(Ch340());
        system.File("/usr/bin/brltty", "");
        system.File("/usr/lib/udev/rules.d/85-brltty.rules", kBrlttyRules);
        if (scenario.endsWith(QLatin1String("masked"))) {
            system.Link("/etc/udev/rules.d/85-brltty.rules", QStringLiteral("/dev/null"));
        }
    } else if (scenario.startsWith(QLatin1String("modemmanager"))) {
        UsbSerial uno = ArduinoUno();
        if (scenario.endsWith(QLatin1String("ignored"))) {
            uno.udevData = QStringLiteral("E:ID_MM_DEVICE_IGNORE=1\n");
        }
        system.Usb(uno);
        system.Process(612, QStringLiteral("ModemManager"));
    }
    const serial_ports::DoctorReport report =
        serial_ports::RunDoctor(system.view, {FakeSystem::kSettings}, AskedPort(port));
    const QStringList lines = Lines(report);
    QVERIFY2(lines.contains(expected), qPrintable(lines.join(QLatin1Char('\n'))));
    QCOMPARE(report.exitCode(), exitCode);
}

void TestDoctor::textListsFixesAsCommands() {
    FakeSystem system;
    BuildBench(system, 16);
    const QString text = serial_ports::DoctorText(
        serial_ports::RunDoctor(system.view, {FakeSystem::kSettings}, AskedPort("COM1")));
    const QStringList lines = text.split(QLatin1Char('\n'));
    const qsizetype latency = lines.indexOf(QRegularExpression("^PROBLEM +latency +/dev/ttyUSB0: "
                                                               "latency_timer is 16 ms: .*"));
    QVERIFY2(latency >= 0, qPrintable(text));
    QCOMPARE(lines.at(latency + 1).trimmed(),
             QStringLiteral("echo 1 | sudo tee /sys/class/tty/ttyUSB0/device/latency_timer   # "
                            "until it is unplugged"));
    QVERIFY(lines.contains(QStringLiteral("1 problem, 0 notes.")));
    QVERIFY(lines.first().startsWith(
        QStringLiteral("ok       port          COM1 is /dev/ttyUSB0, which exists")));
}

QTEST_GUILESS_MAIN(TestDoctor)
#include "test_doctor.moc"
