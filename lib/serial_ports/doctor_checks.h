#pragma once

#include <vector>

#include "link/settings_location.h"
#include "serial_ports/doctor.h"
#include "serial_ports/holders.h"
#include "serial_ports/port_list.h"
#include "serial_ports/system_view.h"

// The checks RunDoctor is made of, each adding its findings.
namespace serial_ports::checks {

// A word for a shell command line, quoted only when it has to be.
QString ShellWord(const QString& word);

void DeviceAccess(const SystemView& view, const PortRow& row, std::vector<Finding>& out);
void DeviceHolders(const PortRow& row, std::vector<Finding>& out);
void LatencyTimer(const PortRow& row, std::vector<Finding>& out);

void Brltty(const SystemView& view, const std::vector<PortRow>& rows, std::vector<Finding>& out);
void ModemManager(const ProcessTable& processes, const std::vector<PortRow>& rows,
                  std::vector<Finding>& out);

void SettingsLinks(const SystemView& view, const QString& folder, std::vector<Finding>& out);
void SavedPort(const SystemView& view, const SettingsLocation& settings,
               const std::vector<PortRow>& rows, std::vector<Finding>& out);

} // namespace serial_ports::checks
