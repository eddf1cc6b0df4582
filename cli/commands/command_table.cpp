#include <algorithm>
#include <array>

#include "cli/commands/command.h"
#include "cli/commands/commands.h"

namespace cli {

namespace {
// Adding a command: its file, its declaration in commands.h, a line here.
constexpr std::array<const Command*, 10> kCommands{
    &kReadCommand, &kPollCommand,  &kAddressCommand, &kSetAddressCommand, &kAdjustCommand,
    &kScanCommand, &kPortsCommand, &kPinCommand,     &kUnpinCommand,      &kDoctorCommand,
};
} // namespace

std::span<const Command* const> Commands() {
    return kCommands;
}

const Command* FindCommand(std::string_view name) {
    const auto found = std::ranges::find(kCommands, name, &Command::name);
    return found == kCommands.end() ? nullptr : *found;
}

} // namespace cli
