#pragma once

#include <chrono>
#include <string>

namespace master {

using WallClock = std::chrono::system_clock;

// ISO 8601 in UTC with milliseconds: "2024-05-01T12:00:00.123Z". Written
// out by hand: it is taken for every row of a long poll.
std::string Timestamp(WallClock::time_point time);

} // namespace master
