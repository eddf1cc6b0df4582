#include "serial_ports/window_ports.h"

#include "link/port_map.h"

namespace serial_ports {

WindowPort MapWindowPort(const SystemView& view, const QString& settingsFolder, int number) {
    WindowPort port;
    port.number = number;
    const QString folder = view.hostPath(settingsFolder);
    port.path =
        view.machinePath(DeviceForPort(folder, number, view.hostPath(QStringLiteral("/dev"))));
    port.inSettingsFolder = port.path.startsWith(settingsFolder + QLatin1Char('/'));
    port.device = view.resolve(port.path);
    return port;
}

QString PortArgumentPath(const SystemView& view, const QString& settingsFolder,
                         const PortArgument& argument) {
    if (argument.windowPort) {
        return MapWindowPort(view, settingsFolder, *argument.windowPort).path;
    }
    return argument.path;
}

} // namespace serial_ports
