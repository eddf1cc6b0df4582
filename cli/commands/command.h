#pragma once

#include <span>
#include <string>
#include <string_view>

#include "cli/options/arguments.h"
#include "cli/options/line_options.h"

namespace cli {

// What a command is run with.
struct Invocation {
    const LineOptions& line;    // the common options
    const Arguments& arguments; // its own options and the arguments after it
};

// One sub-command. Each lives in a file of its own (read_command.cpp, ...)
// and is listed once in command_table.cpp.
struct Command {
    std::string_view name;
    std::string_view synopsis; // what follows the name in the usage line
    std::string_view summary;  // one line for the list of commands
    std::string (*describe)(); // the text of its --help between usage and options
    std::span<const OptionSpec> options;
    int (*run)(const Invocation& invocation); // gives the exit status
};

// Every command, in the order --help lists them.
std::span<const Command* const> Commands();
const Command* FindCommand(std::string_view name);

} // namespace cli
