#pragma once

#include <cstdint>
#include <span>

namespace codec {

// The two bytes of a CRC-16/MODBUS. HiByte is the low-order byte of the CRC
// (the one sent first), LoByte the high-order byte (sent second); the names
// follow the order on the wire, not the arithmetic.
struct Crc {
    std::uint8_t HiByte = 0xFF;
    std::uint8_t LoByte = 0xFF;
};

// CRC-16/MODBUS over cmdstring[0..j]. A negative j covers no byte and gives
// 0xFF, 0xFF. The caller guarantees j < cmdstring.size().
Crc Crc16(std::span<const std::uint8_t> cmdstring, int j);

// The CRC as one 16-bit number (catalogue form: "123456789" gives 0x4B37).
std::uint16_t Crc16Value(std::span<const std::uint8_t> bytes);

} // namespace codec
