#pragma once

#include "cli/commands/command.h"

namespace cli {

// Defined each in its own <name>_command.cpp.
extern const Command kReadCommand;
extern const Command kPollCommand;
extern const Command kAddressCommand;
extern const Command kSetAddressCommand;
extern const Command kAdjustCommand;
extern const Command kScanCommand;
extern const Command kPortsCommand;
extern const Command kPinCommand;
extern const Command kUnpinCommand;
extern const Command kDoctorCommand;

} // namespace cli
