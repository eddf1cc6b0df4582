#pragma once

#include <chrono>

namespace sim {

// The silence that ends a request on a line at `baud`: three and a half
// characters of 11 bits, as Modbus RTU counts them, and never less than the
// 1.75 ms Modbus RTU fixes for fast lines. An unknown rate (0) gets the floor.
std::chrono::nanoseconds FrameSilence(long baud);

// Whether a module set to `moduleBaud` understands a master whose line is at
// `lineBaud`. A module with no rate of its own (0) hears every rate; one with
// a rate hears only garbage from a master at another one.
bool HearsLine(long moduleBaud, long lineBaud);

} // namespace sim
