#include "codec/crc16.h"

#include <cassert>

namespace codec {

std::uint16_t Crc16Value(std::span<const std::uint8_t> bytes) {
    std::uint16_t crc = 0xFFFF;
    for (std::uint8_t byte : bytes) {
        crc ^= byte;
        for (int bit = 0; bit < 8; ++bit) {
            crc = (crc & 1U) ? static_cast<std::uint16_t>((crc >> 1) ^ 0xA001U)
                             : static_cast<std::uint16_t>(crc >> 1);
        }
    }
    return crc;
}

Crc Crc16(std::span<const std::uint8_t> cmdstring, int j) {
    if (j < 0) {
        return {};
    }
    assert(static_cast<std::size_t>(j) < cmdstring.size());
    const std::uint16_t crc = Crc16Value(cmdstring.first(static_cast<std::size_t>(j) + 1));
    return {static_cast<std::uint8_t>(crc & 0xFFU), static_cast<std::uint8_t>(crc >> 8)};
}

} // namespace codec
