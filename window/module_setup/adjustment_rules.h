#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

#include "codec/frames.h"

namespace module_setup {

// The 16-bit register value of an adjustment entry in hundredths:
// -32768..-1 as two's complement (65536 added in single precision),
// 0..65535 as it is, rounded half to even in single precision; nothing when
// the entry is not a number or outside that range.
std::optional<std::uint16_t> AdjustmentValue(std::string_view text);

// Either the adjustment write to send or the message that refuses it.
using AdjustDecision = codec::RequestOrRefusal;

// The adjustment write of row 0 (register 0x0A00) or row 1 (0x0A02).
AdjustDecision CheckAdjustment(int row, std::string_view text);

} // namespace module_setup
