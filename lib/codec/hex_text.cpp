#include "codec/hex_text.h"

namespace codec {

namespace {
constexpr char kDigits[] = "0123456789ABCDEF";

void AppendHex(std::string& text, std::uint8_t byte) {
    text.push_back(kDigits[byte >> 4]);
    text.push_back(kDigits[byte & 0x0F]);
}
} // namespace

std::string FormatHex(std::uint8_t byte) {
    std::string text;
    AppendHex(text, byte);
    return text;
}

std::string SentHexText(std::span<const std::uint8_t> frame) {
    std::string text;
    text.reserve(frame.size() * 3);
    for (std::uint8_t byte : frame) {
        AppendHex(text, byte);
        text.push_back(' ');
    }
    return text;
}

std::string ReceivedHexText(std::span<const std::uint8_t> block) {
    std::string text;
    text.reserve(block.size() * 3);
    for (std::uint8_t byte : block) {
        text.push_back(' ');
        AppendHex(text, byte);
    }
    return text;
}

} // namespace codec
