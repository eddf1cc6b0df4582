#include "serial_ports/port_facts.h"

#include <algorithm>

#include <QFileInfo>

namespace serial_ports {

namespace {

const QString kTtyClass = QStringLiteral("/sys/class/tty");
// From the tty up: the usb-serial port, its interface, the USB device.
constexpr int kUsbDeviceDepth = 4;

std::optional<unsigned> HexNumber(const QString& text) {
    bool ok = false;
    const unsigned value = text.toUInt(&ok, 16);
    return ok ? std::optional<unsigned>(value) : std::nullopt;
}

QString Parent(const QString& path) {
    return path.left(std::max<qsizetype>(path.lastIndexOf(QLatin1Char('/')), 1));
}

// The folder of the USB device behind a tty (the one holding idVendor).
std::optional<QString> UsbDeviceFolder(const SystemView& view, const QString& name) {
    std::optional<QString> folder = view.resolve(kTtyClass + QLatin1Char('/') + name + "/device");
    for (int depth = 0; folder && depth < kUsbDeviceDepth; ++depth) {
        if (view.exists(*folder + "/idVendor")) {
            return folder;
        }
        folder = Parent(*folder);
    }
    return std::nullopt;
}

void ReadUdevDatabase(const SystemView& view, PortFacts& facts) {
    if (facts.deviceNumber.isEmpty()) {
        return;
    }
    const QString data = QString::fromUtf8(view.read("/run/udev/data/c" + facts.deviceNumber));
    for (const QString& line : data.split(QLatin1Char('\n'))) {
        if (line.startsWith(QLatin1String("E:"))) {
            const qsizetype equals = line.indexOf(QLatin1Char('='));
            if (equals > 2) {
                facts.udev.insert(line.mid(2, equals - 2), line.mid(equals + 1));
            }
        } else if (line.startsWith(QLatin1String("G:"))) {
            facts.udevTags.append(line.mid(2));
        }
    }
}

void FillBlank(QString& field, const QString& value) {
    if (field.isEmpty()) {
        field = value;
    }
}

} // namespace

PortFacts ReadPortFacts(const SystemView& view, const QString& name) {
    PortFacts facts;
    facts.name = name;
    const QString tty = kTtyClass + QLatin1Char('/') + name;
    facts.deviceNumber = view.attribute(tty + "/dev");
    if (const std::optional<QString> driver = view.resolve(tty + "/device/driver")) {
        facts.driver = QFileInfo(*driver).fileName();
    }
    const QString latency = tty + "/device/latency_timer";
    if (view.exists(latency)) {
        bool ok = false;
        const int value = view.attribute(latency).toInt(&ok);
        if (ok) {
            facts.latencyTimerMs = value;
            facts.latencyTimerFile = latency;
        }
    }
    if (const std::optional<QString> usb = UsbDeviceFolder(view, name)) {
        facts.usb = true;
        facts.description = view.attribute(*usb + "/product");
        facts.manufacturer = view.attribute(*usb + "/manufacturer");
        facts.serialNumber = view.attribute(*usb + "/serial");
        facts.vendorId = HexNumber(view.attribute(*usb + "/idVendor"));
        facts.productId = HexNumber(view.attribute(*usb + "/idProduct"));
    }
    ReadUdevDatabase(view, facts);
    FillBlank(facts.description, facts.udev.value(QStringLiteral("ID_MODEL_FROM_DATABASE")));
    FillBlank(facts.manufacturer, facts.udev.value(QStringLiteral("ID_VENDOR_FROM_DATABASE")));
    FillBlank(facts.serialNumber, facts.udev.value(QStringLiteral("ID_SERIAL_SHORT")));
    if (!facts.vendorId) {
        facts.vendorId = HexNumber(facts.udev.value(QStringLiteral("ID_VENDOR_ID")));
    }
    if (!facts.productId) {
        facts.productId = HexNumber(facts.udev.value(QStringLiteral("ID_MODEL_ID")));
    }
    return facts;
}

bool IsPlaceholderUart(const SystemView& view, const QString& device) {
    if (!device.startsWith(QLatin1String("/dev/ttyS"))) {
        return false;
    }
    const QString type = kTtyClass + QLatin1Char('/') + device.mid(5) + "/type";
    return view.exists(type) && view.attribute(type) == QLatin1String("0");
}

bool IsTerminal(const SystemView& view, const QString& device) {
    if (device.startsWith(QLatin1String("/dev/pts/"))) {
        return device != QLatin1String("/dev/pts/ptmx") &&
               view.node(device).type == NodeStatus::Type::CharDevice;
    }
    if (!device.startsWith(QLatin1String("/dev/")) || device.indexOf(QLatin1Char('/'), 5) >= 0) {
        return false;
    }
    return view.exists(kTtyClass + QLatin1Char('/') + device.mid(5));
}

QStringList SerialTtyNames(const SystemView& view) {
    QStringList names;
    for (const QString& name : view.entries(kTtyClass)) {
        if (!view.exists(kTtyClass + QLatin1Char('/') + name + "/device") ||
            IsPlaceholderUart(view, QStringLiteral("/dev/") + name)) {
            continue; // virtual consoles, ptmx, console; ttyS without a UART
        }
        names.append(name);
    }
    return names;
}

QString VidPidText(const PortFacts& facts) {
    if (!facts.vendorId || !facts.productId) {
        return {};
    }
    return QStringLiteral("%1:%2")
        .arg(*facts.vendorId, 4, 16, QLatin1Char('0'))
        .arg(*facts.productId, 4, 16, QLatin1Char('0'));
}

} // namespace serial_ports
