#pragma once

#include <array>
#include <cstdint>
#include <optional>
#include <span>
#include <string>

#include "codec/protocol.h"

namespace codec {

// What a sender records before it writes a request, so that the receiver
// knows which response to expect.
enum class ResponseKind : std::int16_t {
    None = 0,
    RegisterRead = 1,  // response A: address, function, count, 2N data bytes, CRC
    Configuration = 5, // response B: the answering module's address in byte 0
};

using Frame = std::array<std::uint8_t, 8>;

// A request ready to write, with what it arms on the receive side.
struct Request {
    Frame bytes{};
    ResponseKind RecKind = ResponseKind::None;
    std::int16_t RecLength = 0;
    std::int16_t threshold = 0; // receive-notification threshold
};

// Either a request to send, or why the operator's entries were refused.
struct RequestOrRefusal {
    std::optional<Request> request;
    std::string refusal; // UTF-8, the text of the message box; empty when accepted
};

// The length of the answer to a read of `count` registers: address,
// function, byte count, two bytes a register and the CRC-16.
constexpr int RegisterReadLength(int count) {
    return 2 * count + 5;
}

Request RegisterRead(std::uint8_t station, std::uint8_t function, std::uint8_t start,
                     std::uint8_t count);
Request AddressRead();
Request AddressChange(std::uint8_t current, std::uint8_t next);
// row 0 writes register 0x0A00, row 1 register 0x0A02; w is the 16-bit pattern.
Request AdjustmentWrite(int row, std::uint16_t w);

// Register k of a register read response: block[3 + 2k] * 256 + block[4 + 2k].
// The caller guarantees the two bytes are in the block.
std::uint16_t RegisterValue(std::span<const std::uint8_t> block, int k);

// A register value in hundredths: up to 20000 as it is, above that two's
// complement, and nothing for 65535 (no reading).
std::optional<std::int32_t> DecodeRegister(std::uint16_t value);

// Whether the first `length` bytes of the block are present and end with the
// CRC-16 of the bytes before them, low byte first.
bool ResponseCrcOk(std::span<const std::uint8_t> block, int length);

} // namespace codec
