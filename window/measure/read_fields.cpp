#include "measure/read_fields.h"

#include <array>
#include <string_view>

#include "codec/number_entry.h"

namespace measure {

namespace {

// A converted value outside one byte leaves its byte 0.
std::uint8_t ToByte(double value) {
    return codec::InRange(value, 0, 255) ? static_cast<std::uint8_t>(value) : 0;
}

ReadDecision Refuse(std::string message) {
    return {std::nullopt, std::move(message)};
}

} // namespace

ReadDecision CheckReadFields(const ReadFields& fields) {
    // The fields in the order they are checked, each with its message.
    const std::array<std::pair<std::string_view, const char*>, 4> checks{{
        {fields.station, "你输入的设备地址格式有误!"},
        {fields.function, "你输入的功能码格式有误!"},
        {fields.dataLength, "你输入的数据长度格式有误!"},
        {fields.start, "你输入的起始地址格式有误!"},
    }};
    std::array<double, 4> numbers{};
    for (std::size_t i = 0; i < checks.size(); ++i) {
        const auto number = codec::ReadNumber(checks[i].first);
        if (!number) {
            return Refuse(checks[i].second);
        }
        numbers[i] = *number;
    }
    const auto [station, function, dataLength, start] = numbers;
    const double count = codec::IntegerPart(dataLength);
    if (count < 1 || count > 2) {
        return Refuse("你输入的数据长度格式有误,正确的值应该为1-2!");
    }
    return {codec::RegisterRead(ToByte(codec::IntegerPart(station)),
                                ToByte(codec::RoundHalfEven(function)),
                                ToByte(codec::IntegerPart(start)), ToByte(count)),
            {}};
}

} // namespace measure
