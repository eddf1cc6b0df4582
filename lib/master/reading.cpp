#include "master/reading.h"

#include "codec/frames.h"

namespace master {

Reading ReadingOf(std::span<const std::uint8_t> answer, int count) {
    Reading reading;
    reading.registers = count;
    reading.humidity = codec::DecodeRegister(codec::RegisterValue(answer, 0));
    if (count >= 2) {
        reading.temperature = codec::DecodeRegister(codec::RegisterValue(answer, 1));
    }
    return reading;
}

} // namespace master
