#pragma once

#include <cstdint>
#include <span>
#include <string>

namespace codec {

// Two upper-case hex digits, high nibble first: 0x0A gives "0A".
std::string FormatHex(std::uint8_t byte);

// Text of a sent frame: every byte followed by one space ("01 03 ... 0A ").
std::string SentHexText(std::span<const std::uint8_t> frame);

// Text of a received block: one space before every byte, nothing after the
// last (" 02 03 0A"); an empty block gives an empty text.
std::string ReceivedHexText(std::span<const std::uint8_t> block);

} // namespace codec
