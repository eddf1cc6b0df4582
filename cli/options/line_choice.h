#pragma once

#include <optional>
#include <variant>

#include <QString>

#include "cli/options/line_options.h"
#include "link/settings_location.h"

namespace cli {

// The line a command talks on.
struct LineChoice {
    QString port;   // as the user or comm.set names it: "COM4", "build/COM4", "/dev/ttyUSB0"
    QString device; // what is opened: the path it names, or what COMn maps to
    int baud = 0;
    QString source; // where the port and the rate came from, for --verbose
};

// The port and rate of the options; those missing come from the window's
// comm.set, read as start-up reads it (a rate of 0 becomes 9600). COMn maps
// to a device as in the window, with the COMn links of the settings folder.
// Gives what to tell the user when comm.set is needed and cannot give them:
// missing, unreadable, no file, no port and rate in it, or a port the
// window does not offer. `commandRate`: the rate a command sets itself
// without --baud (scan), so that comm.set's is not needed.
std::variant<LineChoice, QString> ChooseLine(const LineOptions& options,
                                             const SettingsLocation& settings,
                                             std::optional<int> commandRate = std::nullopt);

} // namespace cli
