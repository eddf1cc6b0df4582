#pragma once

#include <cstdint>
#include <map>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "sim/faults.h"

namespace sim {

struct Options {
    // One module at each address, in this order (--address LIST).
    std::vector<std::uint8_t> addresses{1};
    int humidity = 4500;    // hundredths of %RH at start
    int temperature = 2300; // hundredths of a degree at start
    bool drift = true;
    int noise = 0; // hundredths either way, 0 for none
    long baud = 0;
    int delayMs = 0;
    FaultSet faults; // every module's, and the line's
    // The modules, by their first address, that have faults of their own
    // ("--fault silent@5"): the whole bus's with theirs on top.
    std::map<std::uint8_t, FaultSet> moduleFaults;
    std::optional<std::uint32_t> seed;
    std::string linkPath;
    std::string logPath;
};

struct ParsedOptions {
    enum class Outcome { Run, Help, Version, Error };
    Outcome outcome = Outcome::Run;
    Options options;
    std::string error; // for Outcome::Error: what was wrong, for the user
};

// The arguments after the program name. Values may follow as the next
// argument ("--baud 9600") or after an equals sign ("--baud=9600").
ParsedOptions ParseOptions(const std::vector<std::string_view>& args);

std::string UsageText();

// "ht5530k-sim <version>" and a line end, for --version.
std::string VersionText();

} // namespace sim
