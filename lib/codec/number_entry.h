#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

namespace codec {

// A number exactly as the operator typed it: value = digits x 10^exponent,
// negated when `negative`. `digits` has no leading zeros ("" for zero).
struct DecimalNumber {
    bool negative = false;
    std::string digits;
    std::int64_t exponent = 0;
    double value = 0.0; // the nearest double
};

// Reads a field's text as a number: optional blanks, an optional sign, digits
// with an optional point and fraction (at least one digit in all), an optional
// exponent, optional blanks. ASCII only and independent of the locale: "2,5",
// "inf", "nan", "0x10" and values beyond the range of a double are not numbers.
std::optional<DecimalNumber> ReadDecimal(std::string_view text);

inline std::optional<double> ReadNumber(std::string_view text) {
    const auto number = ReadDecimal(text);
    return number ? std::optional<double>(number->value) : std::nullopt;
}

inline bool IsNumber(std::string_view text) {
    return ReadDecimal(text).has_value();
}

// Integer part: rounds toward minus infinity (2.9 -> 2, -0.5 -> -1).
double IntegerPart(double value);

// Nearest integer, a half to the even neighbour (2.5 -> 2, 3.5 -> 4).
double RoundHalfEven(double value);
float RoundHalfEven(float value);

// Whether an integer-valued double lies in [low, high]; use before casting.
bool InRange(double value, double low, double high);

// The text read as a single-precision number; nothing when it is not a number
// or too large for single precision.
std::optional<float> ReadSingle(std::string_view text);

} // namespace codec
