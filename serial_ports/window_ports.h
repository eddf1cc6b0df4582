#pragma once

#include <optional>

#include <QString>
#include <QStringView>

#include "serial_ports/system_view.h"

namespace ports {

// The window's port list: COM1 to COM16.
inline constexpr int kWindowPortCount = 16;

// "COM3" (any case) as 3; nothing for other text or a number the window
// does not offer.
std::optional<int> ParseWindowPort(QStringView text);

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

// The path a port argument names: "COMn" as the window maps it, an absolute
// path as it is, a bare name ("ttyUSB0") under /dev.
QString PortArgumentPath(const SystemView& view, const QString& settingsFolder,
                         const QString& argument);

} // namespace ports
