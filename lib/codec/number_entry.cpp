#include "codec/number_entry.h"

#include <charconv>
#include <cmath>
#include <limits>

namespace codec {

namespace {

bool IsBlank(char c) {
    return c == ' ' || c == '\t';
}
bool IsDigit(char c) {
    return c >= '0' && c <= '9';
}

constexpr std::int64_t kExponentLimit = 1'000'000'000; // far beyond any finite double

} // namespace

std::optional<DecimalNumber> ReadDecimal(std::string_view text) {
    while (!text.empty() && IsBlank(text.front())) {
        text.remove_prefix(1);
    }
    while (!text.empty() && IsBlank(text.back())) {
        text.remove_suffix(1);
    }

    DecimalNumber number;
    std::size_t i = 0;
    if (i < text.size() && (text[i] == '+' || text[i] == '-')) {
        number.negative = text[i] == '-';
        ++i;
    }
    const std::size_t mantissaStart = i;

    std::string digits;
    std::int64_t fractionDigits = 0;
    std::size_t digitCount = 0;
    for (; i < text.size() && IsDigit(text[i]); ++i, ++digitCount) {
        digits.push_back(text[i]);
    }
    if (i < text.size() && text[i] == '.') {
        ++i;
        for (; i < text.size() && IsDigit(text[i]); ++i, ++digitCount) {
            digits.push_back(text[i]);
            ++fractionDigits;
        }
    }
    if (digitCount == 0) {
        return std::nullopt;
    }

    std::int64_t exponent = 0;
    if (i < text.size() && (text[i] == 'e' || text[i] == 'E')) {
        ++i;
        bool exponentNegative = false;
        if (i < text.size() && (text[i] == '+' || text[i] == '-')) {
            exponentNegative = text[i] == '-';
            ++i;
        }
        if (i == text.size() || !IsDigit(text[i])) {
            return std::nullopt;
        }
        for (; i < text.size() && IsDigit(text[i]); ++i) {
            if (exponent < kExponentLimit) {
                exponent = exponent * 10 + (text[i] - '0');
            }
        }
        if (exponentNegative) {
            exponent = -exponent;
        }
    }
    if (i != text.size()) {
        return std::nullopt;
    }

    const std::size_t firstSignificant = digits.find_first_not_of('0');
    number.digits = firstSignificant == std::string::npos ? "" : digits.substr(firstSignificant);
    number.exponent = exponent - fractionDigits;

    // from_chars is locale-independent; it takes no '+', so parse after the sign.
    const char* first = text.data() + mantissaStart;
    const char* last = text.data() + text.size();
    double magnitude = 0.0;
    const auto [end, error] = std::from_chars(first, last, magnitude);
    if (error == std::errc::result_out_of_range) {
        const auto adjusted = number.exponent + static_cast<std::int64_t>(number.digits.size()) - 1;
        if (adjusted > 0) {
            return std::nullopt; // beyond the largest double
        }
        magnitude = 0.0; // below the smallest double: reads as zero
    } else if (error != std::errc() || end != last || !std::isfinite(magnitude)) {
        return std::nullopt;
    }
    number.value = number.negative ? -magnitude : magnitude;
    return number;
}

double IntegerPart(double value) {
    return std::floor(value);
}

double RoundHalfEven(double value) {
    const double down = std::floor(value);
    const double rest = value - down;
    if (rest > 0.5 || (rest == 0.5 && std::fmod(down, 2.0) != 0.0)) {
        return down + 1.0;
    }
    return down;
}

float RoundHalfEven(float value) {
    const float down = std::floor(value);
    const float rest = value - down;
    if (rest > 0.5F || (rest == 0.5F && std::fmod(down, 2.0F) != 0.0F)) {
        return down + 1.0F;
    }
    return down;
}

bool InRange(double value, double low, double high) {
    return value >= low && value <= high;
}

std::optional<float> ReadSingle(std::string_view text) {
    const auto value = ReadNumber(text);
    if (!value || std::fabs(*value) > static_cast<double>(std::numeric_limits<float>::max())) {
        return std::nullopt;
    }
    return static_cast<float>(*value);
}

} // namespace codec
