#pragma once

#include <optional>
#include <span>
#include <string>
#include <variant>
#include <vector>

#include "cli/options/arguments.h"
#include "link/port_argument.h"

namespace cli {

// The options every command takes: which line, which module, how patiently.
struct LineOptions {
    std::optional<PortArgument> port; // a device path or COMn; none: comm.set's port
    std::optional<int> baud;          // none: comm.set's rate
    int address = 1;                  // the first of `addresses`
    std::vector<int> addresses{1};    // -a LIST: read and poll take several
    int timeoutMs = 500;
    int retries = 0;
    bool verbose = false;
};

std::span<const OptionSpec> CommonOptions();

// The rates the module speaks (8N1).
std::span<const int> ModuleBauds();

// The common options given, or what is wrong with them.
std::variant<LineOptions, std::string> ReadLineOptions(const Arguments& arguments);

} // namespace cli
