#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

namespace measure {

// The value box a register goes to: 0 or 1 (txtValue(p)), or none. `start`
// is the text of txtStartID and `k` the register's index in the response.
std::optional<int> ValueBox(std::string_view start, int k);

// What one register value shows in its box: "0" for 65535 (no reading), the
// negative value in two's complement above 20000, otherwise the hundredths
// plus the correction text of the box (txtTAdj for box 0, txtHAdj for box 1)
// with the pattern "#0.00". Nothing when the correction is not a number: the
// box keeps its text.
std::optional<std::string> RegisterText(std::uint16_t value, std::string_view correction);

} // namespace measure
