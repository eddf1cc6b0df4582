#pragma once

#include <cstdint>
#include <string>

#include "codec/number_entry.h"

namespace codec {

// Hundredths shown with the pattern "#0.00": 2500 -> "25.00", -100 -> "-1.00".
std::string FormatHundredths(std::int64_t hundredths);

// hundredths / 100 + correction, computed exactly in decimal and shown with
// "#0.00". A third or later decimal rounds half away from zero
// (25.00 + 0.005 -> "25.01"); a result that rounds to zero shows "0.00".
std::string FormatCorrected(std::uint16_t hundredths, const DecimalNumber& correction);

} // namespace codec
