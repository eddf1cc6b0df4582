#include "serial_ports/window_ports.h"

#include <QRegularExpression>

#include "link/port_map.h"

namespace ports {

std::optional<int> ParseWindowPort(QStringView text) {
    static const QRegularExpression name(QStringLiteral("^COM([1-9][0-9]?)$"),
                                         QRegularExpression::CaseInsensitiveOption);
    const QRegularExpressionMatch match = name.match(text.toString());
    if (!match.hasMatch()) {
        return std::nullopt;
    }
    const int number = match.captured(1).toInt();
    return number <= kWindowPortCount ? std::optional<int>(number) : std::nullopt;
}

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
                         const QString& argument) {
    if (const std::optional<int> number = ParseWindowPort(argument)) {
        return MapWindowPort(view, settingsFolder, *number).path;
    }
    if (argument.startsWith(QLatin1Char('/'))) {
        return argument;
    }
    return QStringLiteral("/dev/") + argument;
}

} // namespace ports
