#include "cli/reading.h"

#include "codec/frames.h"
#include "codec/protocol.h"

namespace cli {

std::optional<std::int32_t> DecodeRegister(std::uint16_t value) {
    if (value == codec::kNoReading) {
        return std::nullopt;
    }
    if (value > codec::kLargestPositive) {
        return static_cast<std::int32_t>(value) - 65536;
    }
    return value;
}

Reading ReadingOf(std::span<const std::uint8_t> answer, int count) {
    Reading reading;
    reading.registers = count;
    reading.humidity = DecodeRegister(codec::RegisterValue(answer, 0));
    if (count >= 2) {
        reading.temperature = DecodeRegister(codec::RegisterValue(answer, 1));
    }
    return reading;
}

} // namespace cli
