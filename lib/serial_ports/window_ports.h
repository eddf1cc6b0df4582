#pragma once

#include <optional>

#include <QString>

#include "link/port_argument.h"
#include "serial_ports/system_view.h"

namespace serial_ports {

// What the window opens for COMn now (DeviceForPort), and where that leads.
struct WindowPort {
    int number = 0;
    QString path; // the COMn entry in the settings folder, or /dev/ttyUSB<n-1> or /dev/ttyS<n-1>
    bool inSettingsFolder = false; // path is the COMn entry of the settings folder
    std::optional<QString> device; // path with its links followed; nothing when it leads nowhere
};

// `settingsFolder` is the machine's path of the folder the window looks for
// COMn links in.
WindowPort MapWindowPort(const SystemView& view, const QString& settingsFolder, int number);

// The path a port argument names: "COMn" as the window maps it, else the
// path it names.
QString PortArgumentPath(const SystemView& view, const QString& settingsFolder,
                         const PortArgument& argument);

} // namespace serial_ports
