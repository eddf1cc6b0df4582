#pragma once

#include <vector>

#include <QByteArray>
#include <QString>

#include "serial_ports/doctor.h"
#include "serial_ports/port_list.h"

namespace serial_ports {

// The port list as `ports` prints it: a block a port, its first line the
// device, the window's COM numbers, kind, VID:PID and the adapter's strings.
QString PortsText(const std::vector<PortRow>& rows);

// The port list as a JSON array, one object a port (keys in PortsJson's
// definition and the manual page).
QByteArray PortsJson(const std::vector<PortRow>& rows);

// The findings as `doctor` prints them: verdict, check, subject and text,
// each fix on its own line as a command with its remark as a shell comment,
// then a line counting problems and notes.
QString DoctorText(const DoctorReport& report);

} // namespace serial_ports
