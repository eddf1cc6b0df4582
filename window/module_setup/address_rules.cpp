#include "module_setup/address_rules.h"

#include "codec/number_entry.h"
#include "codec/protocol.h"

namespace module_setup {

namespace {

constexpr double kHighestByte = 255;

ChangeDecision Refuse(const char* message) {
    return {std::nullopt, message};
}

} // namespace

ChangeDecision CheckAddressChange(std::string_view current, std::string_view next) {
    const auto currentNumber = codec::ReadNumber(current);
    if (!currentNumber) {
        return Refuse("你输入的原设备地址格式有误!");
    }
    const auto nextNumber = codec::ReadNumber(next);
    if (!nextNumber) {
        return Refuse("你输入的目标设备地址格式有误!");
    }
    const double from = codec::IntegerPart(*currentNumber);
    const double to = codec::IntegerPart(*nextNumber);
    if (from < codec::kLowestAddress || to < codec::kLowestAddress) {
        return Refuse("请指定正确的设备地址，正确值范围为1-35");
    }
    if (to == from) {
        return Refuse("目标地址与当前地址相同，操作无效!");
    }
    if (to > codec::kHighestNewAddress) {
        return Refuse("请指定正确的设备地址，正确值范围为1-35!");
    }
    // The request carries the current address in one byte.
    if (from > kHighestByte) {
        return Refuse("你输入的原设备地址格式有误!");
    }
    return {codec::AddressChange(static_cast<std::uint8_t>(from), static_cast<std::uint8_t>(to)),
            {}};
}

bool AlreadyAtAddress(int current, std::string_view next) {
    const auto number = codec::ReadNumber(next);
    return number && codec::IntegerPart(*number) == current && current >= codec::kLowestAddress &&
           current <= codec::kHighestNewAddress;
}

} // namespace module_setup
