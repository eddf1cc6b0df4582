#include "options/number_reading.h"

#include <charconv>
#include <cmath>
#include <system_error>

namespace options {

namespace {

template <typename Number>
std::optional<Number> Read(std::string_view text, Number low, Number high) {
    Number value{};
    const char* end = text.data() + text.size();
    const auto [stop, error] = std::from_chars(text.data(), end, value);
    if (text.empty() || error != std::errc() || stop != end || value < low || value > high) {
        return std::nullopt;
    }
    return value;
}

} // namespace

std::optional<long long> ReadInteger(std::string_view text, long long low, long long high) {
    return Read(text, low, high);
}

std::optional<double> ReadDecimal(std::string_view text, double low, double high) {
    // A NaN fails every comparison, so the range alone would let it through.
    const auto value = Read(text, low, high);
    if (!value || !std::isfinite(*value)) {
        return std::nullopt;
    }
    return value;
}

std::string RangeText(long long low, long long high) {
    return std::to_string(low) + " to " + std::to_string(high);
}

std::string BadValue(std::string_view name, std::string_view text, std::string_view expected) {
    return "bad --" + std::string(name) + " '" + std::string(text) + "': " + std::string(expected);
}

} // namespace options
