#include "codec/value_text.h"

#include <algorithm>

namespace codec {

namespace {

// Non-negative integers of any size as decimal digit strings without leading
// zeros ("" is zero); only what the corrected sum needs.
using Magnitude = std::string;

Magnitude Normalise(Magnitude m) {
    const auto first = m.find_first_not_of('0');
    return first == std::string::npos ? Magnitude{} : m.substr(first);
}

Magnitude FromSmall(std::uint64_t n) {
    return n == 0 ? Magnitude{} : std::to_string(n);
}

int Compare(const Magnitude& a, const Magnitude& b) {
    if (a.size() != b.size()) {
        return a.size() < b.size() ? -1 : 1;
    }
    return a.compare(b) < 0 ? -1 : (a == b ? 0 : 1);
}

Magnitude Add(const Magnitude& a, const Magnitude& b) {
    Magnitude sum;
    int carry = 0;
    for (std::size_t i = 0; i < std::max(a.size(), b.size()) || carry; ++i) {
        int digit = carry;
        if (i < a.size()) {
            digit += a[a.size() - 1 - i] - '0';
        }
        if (i < b.size()) {
            digit += b[b.size() - 1 - i] - '0';
        }
        sum.push_back(static_cast<char>('0' + digit % 10));
        carry = digit / 10;
    }
    std::reverse(sum.begin(), sum.end());
    return Normalise(sum);
}

// a - b for a >= b.
Magnitude Subtract(const Magnitude& a, const Magnitude& b) {
    Magnitude difference;
    int borrow = 0;
    for (std::size_t i = 0; i < a.size(); ++i) {
        int digit = (a[a.size() - 1 - i] - '0') - borrow;
        if (i < b.size()) {
            digit -= b[b.size() - 1 - i] - '0';
        }
        borrow = digit < 0 ? 1 : 0;
        difference.push_back(static_cast<char>('0' + digit + 10 * borrow));
    }
    std::reverse(difference.begin(), difference.end());
    return Normalise(difference);
}

enum class Fraction { Zero, BelowHalf, Half, AboveHalf };

Fraction Classify(std::string_view fraction) {
    const auto first = fraction.find_first_not_of('0');
    if (first == std::string_view::npos) {
        return Fraction::Zero;
    }
    if (first > 0 || fraction[0] < '5') {
        return Fraction::BelowHalf;
    }
    if (fraction[0] > '5') {
        return Fraction::AboveHalf;
    }
    return fraction.find_first_not_of('0', 1) == std::string_view::npos ? Fraction::Half
                                                                        : Fraction::AboveHalf;
}

std::string Format(bool negative, const Magnitude& hundredths) {
    if (hundredths.empty()) {
        return "0.00";
    }
    std::string digits = hundredths;
    if (digits.size() < 3) {
        digits.insert(0, 3 - digits.size(), '0');
    }
    digits.insert(digits.size() - 2, 1, '.');
    return negative ? "-" + digits : digits;
}

} // namespace

std::string FormatHundredths(std::int64_t hundredths) {
    const bool negative = hundredths < 0;
    const auto magnitude = negative ? 0ULL - static_cast<std::uint64_t>(hundredths)
                                    : static_cast<std::uint64_t>(hundredths);
    return Format(negative, FromSmall(magnitude));
}

std::string FormatCorrected(std::uint16_t hundredths, const DecimalNumber& correction) {
    // Work in hundredths: the correction times 100 splits into a whole part and
    // a fraction, which only matters by how it compares with one half.
    const std::int64_t shift = correction.exponent + 2;
    const std::string& digits = correction.digits;
    Magnitude whole;
    Fraction fraction = Fraction::Zero;
    if (shift >= 0) {
        whole = digits.empty() ? Magnitude{}
                               : digits + std::string(static_cast<std::size_t>(shift), '0');
    } else {
        const auto fractionDigits = static_cast<std::uint64_t>(-shift);
        if (fractionDigits < digits.size()) {
            whole = Normalise(digits.substr(0, digits.size() - fractionDigits));
            fraction = Classify(std::string_view(digits).substr(digits.size() - fractionDigits));
        } else {
            // The fraction starts with at least one zero (or is zero).
            fraction = digits.empty() ? Fraction::Zero : Fraction::BelowHalf;
            if (fractionDigits == digits.size()) {
                fraction = Classify(digits);
            }
        }
    }

    const Magnitude v = FromSmall(hundredths);
    if (!correction.negative || (whole.empty() && fraction == Fraction::Zero)) {
        const bool up = fraction == Fraction::Half || fraction == Fraction::AboveHalf;
        return Format(false, Add(Add(v, whole), FromSmall(up ? 1 : 0)));
    }
    // v - (whole + fraction)
    if (Compare(whole, v) < 0) {
        // Positive result: (v - whole - 1) + (1 - fraction), or v - whole.
        const Magnitude base = Subtract(v, whole);
        const bool keep = fraction == Fraction::Zero || fraction == Fraction::BelowHalf ||
                          fraction == Fraction::Half;
        return Format(false, keep ? base : Subtract(base, FromSmall(1)));
    }
    // Negative (or zero) result: -((whole - v) + fraction), halves away from zero.
    const bool up = fraction == Fraction::Half || fraction == Fraction::AboveHalf;
    const Magnitude magnitude = Add(Subtract(whole, v), FromSmall(up ? 1 : 0));
    return Format(!magnitude.empty(), magnitude);
}

} // namespace codec
