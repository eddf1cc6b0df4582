#pragma once

// Helpers for the simulator's tests: frames written as hex and sealed with
// their CRC (Bytes in bytes_util.h reads a whole frame).

#include <cstdint>
#include <span>
#include <vector>

#include "bytes_util.h"
#include "codec/protocol.h"

// The frame given by the bytes before its CRC, with its CRC appended.
inline std::vector<std::uint8_t> Sealed(const char* headHex) {
    std::vector<std::uint8_t> frame = Bytes(headHex);
    codec::AppendCrc(frame);
    return frame;
}

inline QString HexOf(std::span<const std::uint8_t> frame) {
    return Hex(frame);
}
