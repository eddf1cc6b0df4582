#include "module_setup/adjustment_rules.h"

#include "codec/number_entry.h"

namespace module_setup {

std::optional<std::uint16_t> AdjustmentValue(std::string_view text) {
    auto v = codec::ReadSingle(text);
    // Below -32768 the two's complement would reach the module as a positive
    // value: a sign flip written into its calibration. Refused.
    if (!v || *v > 65535.0F || *v < -32768.0F) {
        return std::nullopt;
    }
    if (*v < 0) {
        *v += 65536.0F;
    }
    const float w = codec::RoundHalfEven(*v);
    // -0.5 up to 0 rounds to 65536, one past the register: that is zero.
    return w >= 65536.0F ? std::uint16_t{0} : static_cast<std::uint16_t>(w);
}

AdjustDecision CheckAdjustment(int row, std::string_view text) {
    const auto w = AdjustmentValue(text);
    if (!w) {
        return {std::nullopt, "你输入的值有误!"};
    }
    return {codec::AdjustmentWrite(row, *w), {}};
}

} // namespace module_setup
