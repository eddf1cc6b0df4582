#pragma once

#include <QString>

#include "link/port_argument.h"
#include "serial_ports/system_view.h"

namespace serial_ports {

struct PinResult {
    enum class Outcome {
        Done,
        Usage,   // not COM1..COM16, or the device is not a terminal
        Missing, // the device does not exist
        Refused, // COMn in the settings folder is not a link: never replaced or removed
        Failed,  // the system refused to make or remove the link
    };
    Outcome outcome = Outcome::Done;
    QString message; // what was done, or why not and what to do
};

// Makes COMn in the settings folder (created when missing) a link to the
// device, replacing an earlier link at once. A device given by its kernel
// name is linked by its /dev/serial/by-id name when it has one. The device
// must be a terminal (a serial device or a pseudo-terminal) or a link to one;
// another COMn is no device.
PinResult Pin(const SystemView& view, const QString& settingsFolder, const QString& port,
              const PortArgument& device);

// Removes the COMn link; there being none is not an error.
PinResult Unpin(const SystemView& view, const QString& settingsFolder, const QString& port);

} // namespace serial_ports
