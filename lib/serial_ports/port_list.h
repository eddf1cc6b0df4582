#pragma once

#include <vector>

#include <QString>
#include <QStringList>

#include "serial_ports/access.h"
#include "serial_ports/holders.h"
#include "serial_ports/port_facts.h"
#include "serial_ports/system_view.h"

namespace serial_ports {

// One row of the port list.
struct PortRow {
    enum class Kind { Usb, Uart, PseudoTerminal, Other };
    QString device; // the device's own path, "/dev/ttyUSB0"
    Kind kind = Kind::Other;
    QStringList byId;   // /dev/serial/by-id/* that lead to it
    QStringList byPath; // /dev/serial/by-path/*
    PortFacts facts;
    NodeStatus node;
    Access access; // for this login's groups
    Holding holding;
    std::vector<int> windowPorts; // COMn of the window that open it now
    QStringList links;            // COMn entries of the settings folder that lead to it
};

// Every serial port of the machine (sysfs), every device a COMn link of the
// settings folder leads to (pseudo-terminals), and `extraDevices` (paths
// another enumeration found), each once, sorted by path.
std::vector<PortRow> ListPorts(const SystemView& view, const QString& settingsFolder,
                               const QStringList& extraDevices = {});

// The row of one device, `device` being its own path (links followed).
PortRow DescribePort(const SystemView& view, const QString& settingsFolder,
                     const ProcessTable& processes, const QString& device);

// "usb", "uart", "pseudo-terminal", "device".
QString KindText(PortRow::Kind kind);

} // namespace serial_ports
