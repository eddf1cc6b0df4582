#include "measure/register_text.h"

#include "codec/frames.h"
#include "codec/number_entry.h"
#include "codec/value_text.h"

namespace measure {

namespace {

// The box of the first register, from the start address: 0 for every start
// of 0 or more (or no number), below 0 (no box) for a negative one.
double FirstPosition(std::string_view startText) {
    const auto start = codec::ReadNumber(startText);
    if (!start) {
        return 0;
    }
    const double s = codec::IntegerPart(*start);
    const double p = s == 0 ? 0 : 2 * (s - 1);
    return p > 1 ? 0 : p;
}

} // namespace

std::optional<int> ValueBox(std::string_view start, int k) {
    const double p = FirstPosition(start) + k;
    if (p == 0 || p == 1) {
        return static_cast<int>(p);
    }
    return std::nullopt;
}

std::optional<std::string> RegisterText(std::uint16_t value, std::string_view correction) {
    const std::optional<std::int32_t> hundredths = codec::DecodeRegister(value);
    if (!hundredths) {
        return "0";
    }
    if (*hundredths < 0) {
        return codec::FormatHundredths(*hundredths);
    }
    const auto number = codec::ReadDecimal(correction);
    if (!number) {
        return std::nullopt;
    }
    return codec::FormatCorrected(value, *number);
}

} // namespace measure
