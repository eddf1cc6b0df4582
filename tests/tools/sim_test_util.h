#pragma once

// Helpers for the simulator's tests: requests written as hex, with or without
// their CRC.

#include "bytes_util.h"
#include "codec/crc16.h"
#include "tools/module_model.h"

#include <array>

// The 8-byte request given as its first six bytes, with its CRC appended.
inline std::array<std::uint8_t, sim::kRequestSize> Sealed(const char* sixBytesHex) {
    std::array<std::uint8_t, sim::kRequestSize> frame{};
    const auto head = Bytes(sixBytesHex);
    std::copy_n(head.begin(), 6, frame.begin());
    const std::uint16_t crc = codec::Crc16Value(std::span(frame).first(6));
    frame[6] = static_cast<std::uint8_t>(crc & 0xFF);
    frame[7] = static_cast<std::uint8_t>(crc >> 8);
    return frame;
}

// The 8-byte request given whole, CRC included.
inline std::array<std::uint8_t, sim::kRequestSize> Request(const QString& hex) {
    std::array<std::uint8_t, sim::kRequestSize> frame{};
    const QByteArray raw = QByteArray::fromHex(hex.toLatin1());
    std::copy_n(raw.begin(), std::min<qsizetype>(raw.size(), 8), frame.begin());
    return frame;
}

inline QString HexOf(const std::array<std::uint8_t, sim::kRequestSize>& frame) {
    return Hex(frame);
}
