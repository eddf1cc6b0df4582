#pragma once

// Helpers for the simulator's tests: frames written as hex and sealed with
// their CRC (Bytes in bytes_util.h reads a whole frame).

#include <cstdint>
#include <span>
#include <vector>

#include "bytes_util.h"
#include "codec/crc16.h"

// The frame given by the bytes before its CRC, with its CRC appended.
inline std::vector<std::uint8_t> Sealed(const char* headHex) {
    std::vector<std::uint8_t> frame = Bytes(headHex);
    const std::uint16_t crc = codec::Crc16Value(frame);
    frame.push_back(static_cast<std::uint8_t>(crc & 0xFF));
    frame.push_back(static_cast<std::uint8_t>(crc >> 8));
    return frame;
}

inline QString HexOf(std::span<const std::uint8_t> frame) {
    return Hex(frame);
}
