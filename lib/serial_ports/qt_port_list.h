#pragma once

#include <vector>

#include <QString>

#include "serial_ports/port_list.h"
#include "serial_ports/system_view.h"

namespace serial_ports {

// ListPorts() of this machine, with the ports Qt's serial-port module knows
// of besides, and what it knows of a port that sysfs did not say (its udev
// names, on some systems).
std::vector<PortRow> ListPortsWithQt(const SystemView& view, const QString& settingsFolder);

} // namespace serial_ports
