#pragma once

// A copy of a Linux system's tree in a temporary folder, built the way the
// kernel and udev lay it out, and a SystemView that reads it. Regular files
// under /dev stand for character devices (making real ones takes root).

#include <map>
#include <optional>
#include <sys/stat.h>
#include <unistd.h>

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QTemporaryDir>

#include "link/port_argument.h"
#include "serial_ports/system_view.h"

// A port argument as the command line reads it, from the root folder;
// nothing for an empty text.
inline std::optional<PortArgument> AskedPort(const QString& text) {
    if (text.isEmpty()) {
        return std::nullopt;
    }
    return std::get<PortArgument>(ReadPortArgument(text, QStringLiteral("/")));
}

struct UsbSerial {
    QString name = QStringLiteral("ttyUSB0");
    QString deviceNumber = QStringLiteral("188:0");
    QString vid = QStringLiteral("0403");
    QString pid = QStringLiteral("6001");
    QString product = QStringLiteral("FT232R USB UART");
    QString manufacturer = QStringLiteral("FTDI");
    QString serial = QStringLiteral("A50285BI");
    QString driver = QStringLiteral("ftdi_sio");
    std::optional<int> latencyMs = 16; // ftdi_sio's attribute; others have none
    QString usbPort = QStringLiteral("1-2");
    QString byId = QStringLiteral("usb-FTDI_FT232R_USB_UART_A50285BI-if00-port0");
    QString byPath = QStringLiteral("pci-0000:00:14.0-usb-0:2:1.0-port0");
    QString udevData; // the lines of /run/udev/data/c<major>:<minor>
};

// Two more adapters found on bench PCs, beside the FTDI one above.
inline UsbSerial Ch340() {
    UsbSerial ch340;
    ch340.name = QStringLiteral("ttyUSB1");
    ch340.deviceNumber = QStringLiteral("188:1");
    ch340.vid = QStringLiteral("1a86");
    ch340.pid = QStringLiteral("7523");
    ch340.driver = QStringLiteral("ch341");
    ch340.latencyMs.reset();
    ch340.usbPort = QStringLiteral("1-3");
    ch340.byId = QStringLiteral("usb-1a86_USB_Serial-if00-port0");
    ch340.byPath = QStringLiteral("pci-0000:00:14.0-usb-0:3:1.0-port0");
    return ch340;
}

inline UsbSerial ArduinoUno() {
    UsbSerial uno;
    uno.name = QStringLiteral("ttyACM0");
    uno.deviceNumber = QStringLiteral("166:0");
    uno.vid = QStringLiteral("2341");
    uno.pid = QStringLiteral("0043");
    uno.driver = QStringLiteral("cdc_acm");
    uno.latencyMs.reset();
    uno.usbPort = QStringLiteral("1-4");
    uno.byId = QStringLiteral("usb-Arduino_Uno-if00");
    uno.byPath.clear();
    return uno;
}

class FakeSystem {
public:
    // The group the test's files get, shown as "dialout"; the user "op" is
    // someone other than their owner.
    const unsigned fileGroup = static_cast<unsigned>(::getegid());
    const unsigned fileOwner = static_cast<unsigned>(::geteuid());
    static constexpr unsigned kUser = 4242;
    static constexpr unsigned kOtherGroup = 4343;

    FakeSystem() {
        view.root = m_dir.path();
        view.user = {QStringLiteral("op"),
                     fileOwner == kUser ? kUser + 1 : kUser,
                     {kOtherGroup},
                     {kOtherGroup}};
        view.ownPid = 1;
        view.inspect = [this](const QString& hostPath) { return Inspect(hostPath); };
        view.groupName = [this](unsigned gid) {
            return gid == fileGroup ? QStringLiteral("dialout") : QStringLiteral("g%1").arg(gid);
        };
        view.userName = [this](unsigned uid) {
            return uid == fileOwner       ? QStringLiteral("root")
                   : uid == view.user.uid ? QStringLiteral("op")
                                          : QStringLiteral("u%1").arg(uid);
        };
        Dir(QStringLiteral("/dev"));
        Dir(QStringLiteral("/proc"));
        Dir(QStringLiteral("/sys/class/tty"));
        Dir(QStringLiteral("/run/lock"));
        Link(QStringLiteral("/var/lock"), QStringLiteral("../run/lock"));
        Dir(kSettings);
    }

    bool valid() const { return m_dir.isValid(); }
    QString host(const QString& path) const { return view.hostPath(path); }

    void Dir(const QString& path) { QDir().mkpath(host(path)); }
    void File(const QString& path, const QByteArray& content) {
        Dir(QFileInfo(path).path());
        QFile file(host(path));
        if (file.open(QIODevice::WriteOnly)) {
            file.write(content);
        }
    }
    void Link(const QString& path, const QString& text) {
        Dir(QFileInfo(path).path());
        QFile::remove(host(path));
        [[maybe_unused]] const int made = ::symlink(QFile::encodeName(text).constData(),
                                                    QFile::encodeName(host(path)).constData());
    }
    // A device node, rw for owner and group only unless `mode` says otherwise.
    void Device(const QString& path, unsigned mode = 0660) {
        File(path, {});
        ::chmod(QFile::encodeName(host(path)).constData(), mode);
    }
    void Acl(const QString& path, std::vector<serial_ports::AclEntry> acl) { m_acl[path] = acl; }

    // A USB serial adapter as sysfs, udev and /dev show it.
    void Usb(const UsbSerial& usb) {
        const QString device =
            QStringLiteral("/sys/devices/pci0000:00/0000:00:14.0/usb1/") + usb.usbPort;
        File(device + "/idVendor", usb.vid.toLatin1() + "\n");
        File(device + "/idProduct", usb.pid.toLatin1() + "\n");
        if (!usb.product.isEmpty()) {
            File(device + "/product", usb.product.toUtf8() + "\n");
        }
        if (!usb.manufacturer.isEmpty()) {
            File(device + "/manufacturer", usb.manufacturer.toUtf8() + "\n");
        }
        if (!usb.serial.isEmpty()) {
            File(device + "/serial", usb.serial.toUtf8() + "\n");
        }
        const QString interface = device + QLatin1Char('/') + usb.usbPort + ":1.0";
        // usb-serial drivers put a port device between interface and tty;
        // cdc_acm hangs the tty on the interface.
        const bool acm = usb.driver == QLatin1String("cdc_acm");
        const QString port = acm ? interface : interface + QLatin1Char('/') + usb.name;
        Dir(QStringLiteral("/sys/bus/usb-serial/drivers/") + usb.driver);
        Link(port + "/driver", QStringLiteral("/sys/bus/usb-serial/drivers/") + usb.driver);
        if (usb.latencyMs) {
            File(port + "/latency_timer", QByteArray::number(*usb.latencyMs) + "\n");
        }
        const QString tty = port + "/tty/" + usb.name;
        File(tty + "/dev", usb.deviceNumber.toLatin1() + "\n");
        Link(tty + "/device", acm ? QStringLiteral("../../../") + usb.usbPort + ":1.0"
                                  : QStringLiteral("../../../") + usb.name);
        Link("/sys/class/tty/" + usb.name, QStringLiteral("../../devices/pci0000:00/0000:00:14.0/"
                                                          "usb1/") +
                                               tty.mid(tty.indexOf(usb.usbPort)));
        Device("/dev/" + usb.name);
        if (!usb.byId.isEmpty()) {
            Link("/dev/serial/by-id/" + usb.byId, "../../" + usb.name);
        }
        if (!usb.byPath.isEmpty()) {
            Link("/dev/serial/by-path/" + usb.byPath, "../../" + usb.name);
        }
        if (!usb.udevData.isEmpty()) {
            File("/run/udev/data/c" + usb.deviceNumber, usb.udevData.toUtf8());
        }
    }

    // An on-board UART; type 0 is a placeholder without one.
    void Uart(const QString& name, int type) {
        const QString tty = QStringLiteral("/sys/devices/platform/serial8250/tty/") + name;
        File(tty + "/type", QByteArray::number(type) + "\n");
        File(tty + "/dev", "4:64\n");
        Dir(QStringLiteral("/sys/devices/platform/serial8250"));
        Link(tty + "/device", QStringLiteral("../../../serial8250"));
        Link("/sys/class/tty/" + name, "../../devices/platform/serial8250/tty/" + name);
        Device("/dev/" + name);
    }

    // A process with open files (fd number to the text of its link) and,
    // when given, the master side of a pseudo-terminal.
    void Process(qint64 pid, const QString& command, const std::map<int, QString>& files = {},
                 std::optional<int> ptyMaster = std::nullopt) {
        const QString folder = QStringLiteral("/proc/%1").arg(pid);
        File(folder + "/comm", command.toUtf8() + "\n");
        Dir(folder + "/fd");
        for (const auto& [fd, target] : files) {
            Link(QStringLiteral("%1/fd/%2").arg(folder).arg(fd), target);
            File(QStringLiteral("%1/fdinfo/%2").arg(folder).arg(fd), "pos:\t0\nflags:\t02\n");
        }
        if (ptyMaster) {
            Link(folder + "/fd/9", QStringLiteral("/dev/ptmx"));
            File(folder + "/fdinfo/9",
                 QStringLiteral("pos:\t0\nflags:\t02\ntty-index:\t%1\n").arg(*ptyMaster).toUtf8());
        }
    }

    inline static const QString kSettings = QStringLiteral("/home/op/.config/ht5530k");
    serial_ports::SystemView view;

private:
    serial_ports::NodeStatus Inspect(const QString& hostPath) const {
        struct stat status {};
        if (::stat(QFile::encodeName(hostPath).constData(), &status) != 0) {
            return {};
        }
        serial_ports::NodeStatus node;
        const QString path = view.machinePath(hostPath);
        if (S_ISDIR(status.st_mode)) {
            node.type = serial_ports::NodeStatus::Type::Directory;
        } else if (path.startsWith(QLatin1String("/dev/"))) {
            node.type = serial_ports::NodeStatus::Type::CharDevice;
        } else {
            node.type = serial_ports::NodeStatus::Type::Regular;
        }
        node.mode = status.st_mode & 07777U;
        node.uid = status.st_uid;
        node.gid = status.st_gid;
        if (const auto acl = m_acl.find(path); acl != m_acl.end()) {
            node.acl = acl->second;
        }
        return node;
    }

    QTemporaryDir m_dir;
    std::map<QString, std::vector<serial_ports::AclEntry>> m_acl;
};
