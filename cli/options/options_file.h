#pragma once

#include <span>
#include <string>
#include <variant>
#include <vector>

#include "cli/options/arguments.h"

namespace cli {

// Options kept in a file, for a service: one a line, its long name (dashes
// optional) and its value after a space, the value running to the end of the
// line; a flag alone. Blank lines and lines starting with '#' are skipped.
//
//     port /dev/serial/by-id/usb-FTDI_FT232R_USB_UART_A10K5XYZ-if00-port0
//     address 1-8
//     name 3=Boiler room
//     reconnect
//
// Gives the options as the command line would hold them ("--address",
// "1-8", ...), to go before the command line's own, which then win; or what
// is wrong, with the file and line ("hall.conf:3: unknown option 'colour'").
// `specs` are the options the command takes; help and config itself are
// refused.
std::variant<std::vector<std::string>, std::string>
ReadOptionsFile(const std::string& path, std::span<const OptionSpec> specs);

} // namespace cli
