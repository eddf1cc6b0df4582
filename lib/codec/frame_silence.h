#pragma once

#include <chrono>

namespace codec {

// The silence that ends a frame on a line at `baud`: three and a half
// characters of 11 bits, as Modbus RTU counts them, and never less than the
// 1.75 ms Modbus RTU fixes for fast lines. An unknown rate (0) gets the floor.
std::chrono::nanoseconds FrameSilence(long baud);

} // namespace codec
