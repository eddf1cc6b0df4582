#include "codec/frames.h"

#include "codec/crc16.h"
#include "codec/protocol.h"

namespace codec {

namespace {
Request Make(std::uint8_t b0, std::uint8_t b1, std::uint8_t b2, std::uint8_t b3, std::uint8_t b4,
             std::uint8_t b5, ResponseKind kind, std::int16_t length, std::int16_t threshold) {
    Request request{{b0, b1, b2, b3, b4, b5, 0, 0}, kind, length, threshold};
    const Crc crc = Crc16(request.bytes, 5);
    request.bytes[6] = crc.HiByte;
    request.bytes[7] = crc.LoByte;
    return request;
}
} // namespace

Request RegisterRead(std::uint8_t station, std::uint8_t function, std::uint8_t start,
                     std::uint8_t count) {
    const auto length = static_cast<std::int16_t>(RegisterReadLength(count));
    return Make(station, function, 0x00, start, 0x00, count, ResponseKind::RegisterRead, length,
                length);
}

Request AddressRead() {
    return Make(kBroadcastAddress, kReadAddress, kAddressReadField >> 8, kAddressReadField & 0xFF,
                kAddressReadCount >> 8, kAddressReadCount & 0xFF, ResponseKind::Configuration, 7,
                6);
}

Request AddressChange(std::uint8_t current, std::uint8_t next) {
    return Make(current, kWriteSingleRegister, kAddressRegister >> 8, kAddressRegister & 0xFF, 0x00,
                next, ResponseKind::Configuration, 6, 6);
}

Request AdjustmentWrite(int row, std::uint16_t w) {
    return Make(kBroadcastAddress, kWriteSingleRegister, kHumidityAdjustRegister >> 8,
                static_cast<std::uint8_t>((kHumidityAdjustRegister & 0xFF) + row * 2),
                static_cast<std::uint8_t>(w >> 8), static_cast<std::uint8_t>(w & 0xFF),
                ResponseKind::Configuration, 6, 6);
}

std::uint16_t RegisterValue(std::span<const std::uint8_t> block, int k) {
    const auto i = 3 + 2 * static_cast<std::size_t>(k);
    return static_cast<std::uint16_t>(block[i] * 256 + block[i + 1]);
}

std::optional<std::int32_t> DecodeRegister(std::uint16_t value) {
    if (value == kNoReading) {
        return std::nullopt;
    }
    if (value > kLargestPositive) {
        return static_cast<std::int32_t>(value) - 65536;
    }
    return value;
}

bool ResponseCrcOk(std::span<const std::uint8_t> block, int length) {
    if (length < 3 || block.size() < static_cast<std::size_t>(length)) {
        return false;
    }
    return CrcMatches(block.first(static_cast<std::size_t>(length)));
}

} // namespace codec
