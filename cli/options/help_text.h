#pragma once

#include <string>

#include "cli/commands/command.h"

namespace cli {

// The program's --help: commands, common options, where comm.set is read,
// exit status. `settingsFile` is the comm.set the commands would read.
std::string ProgramHelp(const std::string& settingsFile);

// A command's --help.
std::string CommandHelp(const Command& command);

} // namespace cli
