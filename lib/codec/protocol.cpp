#include "codec/protocol.h"

#include "codec/crc16.h"

namespace codec {

void AppendCrc(std::vector<std::uint8_t>& frame) {
    const std::uint16_t crc = Crc16Value(frame);
    frame.push_back(static_cast<std::uint8_t>(crc & 0xFFU));
    frame.push_back(static_cast<std::uint8_t>(crc >> 8));
}

bool CrcMatches(std::span<const std::uint8_t> frame) {
    if (frame.size() < 3) {
        return false;
    }
    const std::uint16_t crc = Crc16Value(frame.first(frame.size() - 2));
    return frame[frame.size() - 2] == (crc & 0xFFU) && frame[frame.size() - 1] == (crc >> 8);
}

} // namespace codec
