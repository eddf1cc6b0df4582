#pragma once

#include <optional>
#include <string>
#include <string_view>

// How option values are read as numbers, and what a user is told when one is
// not acceptable. Plain decimal only: no sign '+', no spaces, no hex, no
// "nan" or "inf", nothing around the number.
namespace options {

// A whole number from `low` to `high`.
std::optional<long long> ReadInteger(std::string_view text, long long low, long long high);

// A decimal number ("12.5", "-0.25", "1e3") from `low` to `high`.
std::optional<double> ReadDecimal(std::string_view text, double low, double high);

// "1 to 255".
std::string RangeText(long long low, long long high);

// "bad --address '0': 1 to 255": option `name` given `text`, and what it takes.
std::string BadValue(std::string_view name, std::string_view text, std::string_view expected);

} // namespace options
