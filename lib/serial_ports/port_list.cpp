#include "serial_ports/port_list.h"

#include <algorithm>
#include <utility>

#include <QFileInfo>

#include "serial_ports/window_ports.h"

namespace serial_ports {

namespace {

// The links of a /dev/serial folder that lead to `device`.
QStringList LinksTo(const SystemView& view, const QString& folder, const QString& device) {
    QStringList links;
    for (const QString& name : view.entries(folder)) {
        const QString link = folder + QLatin1Char('/') + name;
        if (view.resolve(link) == device) {
            links.append(link);
        }
    }
    return links;
}

PortRow::Kind KindOf(const QString& device, const PortFacts& facts) {
    if (device.startsWith(QLatin1String("/dev/pts/"))) {
        return PortRow::Kind::PseudoTerminal;
    }
    if (facts.usb) {
        return PortRow::Kind::Usb;
    }
    if (QFileInfo(device).fileName().startsWith(QLatin1String("ttyS"))) {
        return PortRow::Kind::Uart;
    }
    return PortRow::Kind::Other;
}

// ttyUSB2 before ttyUSB10.
bool NaturalLess(const QString& a, const QString& b) {
    const auto split = [](const QString& path) {
        qsizetype digits = path.size();
        while (digits > 0 && path[digits - 1].isDigit()) {
            --digits;
        }
        return std::make_pair(path.left(digits), path.mid(digits).toLongLong());
    };
    return split(a) < split(b);
}

} // namespace

PortRow DescribePort(const SystemView& view, const QString& settingsFolder,
                     const ProcessTable& processes, const QString& device) {
    PortRow row;
    row.device = device;
    // sysfs names a tty by its path under /dev, slashes as "!".
    QString ttyName = device.mid(5);
    ttyName.replace(QLatin1Char('/'), QLatin1Char('!'));
    row.facts = ReadPortFacts(view, ttyName);
    row.kind = KindOf(device, row.facts);
    row.byId = LinksTo(view, QStringLiteral("/dev/serial/by-id"), device);
    row.byPath = LinksTo(view, QStringLiteral("/dev/serial/by-path"), device);
    row.node = view.node(device);
    row.access = CheckAccess(view, row.node, view.user.uid, view.user.activeGroups);
    for (int number = 1; number <= kWindowPortCount; ++number) {
        const WindowPort port = MapWindowPort(view, settingsFolder, number);
        if (port.device == device) {
            row.windowPorts.push_back(number);
            if (port.inSettingsFolder) {
                row.links.append(port.path);
            }
        }
    }
    row.holding = FindHolders(view, processes, device, row.byId + row.byPath + row.links);
    return row;
}

std::vector<PortRow> ListPorts(const SystemView& view, const QString& settingsFolder,
                               const QStringList& extraDevices) {
    QStringList devices;
    const auto add = [&devices](const QString& device) {
        if (!devices.contains(device)) {
            devices.append(device);
        }
    };
    for (const QString& name : SerialTtyNames(view)) {
        if (const std::optional<QString> device = view.resolve(QStringLiteral("/dev/") + name)) {
            add(*device);
        }
    }
    for (int number = 1; number <= kWindowPortCount; ++number) {
        const WindowPort port = MapWindowPort(view, settingsFolder, number);
        if (port.inSettingsFolder && port.device &&
            view.node(*port.device).type == NodeStatus::Type::CharDevice) {
            add(*port.device);
        }
    }
    for (const QString& extra : extraDevices) {
        if (const std::optional<QString> device = view.resolve(extra)) {
            add(*device);
        }
    }
    std::sort(devices.begin(), devices.end(), NaturalLess);
    const ProcessTable processes = ReadProcessTable(view);
    std::vector<PortRow> rows;
    for (const QString& device : devices) {
        rows.push_back(DescribePort(view, settingsFolder, processes, device));
    }
    return rows;
}

QString KindText(PortRow::Kind kind) {
    switch (kind) {
    case PortRow::Kind::Usb:
        return QStringLiteral("usb");
    case PortRow::Kind::Uart:
        return QStringLiteral("uart");
    case PortRow::Kind::PseudoTerminal:
        return QStringLiteral("pseudo-terminal");
    case PortRow::Kind::Other:
        break;
    }
    return QStringLiteral("device");
}

} // namespace serial_ports
