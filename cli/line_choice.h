#pragma once

#include <optional>
#include <variant>

#include <QString>

#include "cli/line_options.h"
#include "link/settings_location.h"

namespace cli {

// The line a command talks on.
struct LineChoice {
    QString port;   // as the user names it: "COM4" or a device path
    QString device; // what is opened: the path given, or what COM4 maps to
    int baud = 0;
    QString source; // where the port and the rate came from, for --verbose
};

// "COM4" -> 4; nothing for anything else (the window's ports are COM1 and up).
std::optional<int> ComPortNumber(const QString& port);

// The port and rate of the options; those missing come from the window's
// comm.set (start-up rules: a missing or malformed file gives COM4 at
// 19200, a rate of 0 becomes 9600). COMn maps to a device as in the window,
// with the COMn links of the settings folder. Gives the reason when comm.set
// names no port.
std::variant<LineChoice, QString> ChooseLine(const LineOptions& options,
                                             const SettingsLocation& settings);

} // namespace cli
