// Arbitrary text through number entry, the corrected value text and the
// adjustment register value, checked against independent computations: the
// C library's strtod, exact integers and long double where it is exact enough.
#include <cerrno>
#include <cfloat>
#include <cmath>
#include <cstdint>
#include <cstdlib>
#include <optional>
#include <string>
#include <string_view>

#include <QString>

#include "codec/number_entry.h"
#include "codec/value_text.h"
#include "fuzz/fuzz_check.h"
#include "module_setup/adjustment_rules.h"

namespace {

bool IsBlank(char c) {
    return c == ' ' || c == '\t';
}
bool IsDigit(char c) {
    return c >= '0' && c <= '9';
}

std::string_view Trimmed(std::string_view text) {
    while (!text.empty() && IsBlank(text.front())) {
        text.remove_prefix(1);
    }
    while (!text.empty() && IsBlank(text.back())) {
        text.remove_suffix(1);
    }
    return text;
}

// The documented grammar, recognised independently of the code under test:
// [sign] digits [. digits] [e [sign] digits], at least one mantissa digit.
bool MatchesGrammar(std::string_view t) {
    std::size_t i = 0;
    if (i < t.size() && (t[i] == '+' || t[i] == '-')) {
        ++i;
    }
    std::size_t mantissaDigits = 0;
    while (i < t.size() && IsDigit(t[i])) {
        ++i, ++mantissaDigits;
    }
    if (i < t.size() && t[i] == '.') {
        ++i;
        while (i < t.size() && IsDigit(t[i])) {
            ++i, ++mantissaDigits;
        }
    }
    if (mantissaDigits == 0) {
        return false;
    }
    if (i < t.size() && (t[i] == 'e' || t[i] == 'E')) {
        ++i;
        if (i < t.size() && (t[i] == '+' || t[i] == '-')) {
            ++i;
        }
        if (i == t.size() || !IsDigit(t[i])) {
            return false;
        }
        while (i < t.size() && IsDigit(t[i])) {
            ++i;
        }
    }
    return i == t.size();
}

// strtod in the "C" locale (this program never changes it); errno tells range errors.
double Strtod(const std::string& text, bool& overflow) {
    errno = 0;
    const double value = std::strtod(text.c_str(), nullptr);
    overflow = errno == ERANGE && std::isinf(value);
    return value;
}

// Two doubles that may differ only where ReadDecimal is allowed to read a
// value below the smallest normal double as zero.
bool SameValue(double actual, double expected) {
    if (actual == expected) {
        return true;
    }
    return actual == 0.0 && std::fabs(expected) < DBL_MIN;
}

std::string Hundredths(std::int64_t n) {
    if (n == 0) {
        return "0.00";
    }
    const std::uint64_t m =
        n < 0 ? 0ULL - static_cast<std::uint64_t>(n) : static_cast<std::uint64_t>(n);
    std::string fraction = std::to_string(m % 100);
    if (fraction.size() < 2) {
        fraction.insert(0, "0");
    }
    return (n < 0 ? "-" : "") + std::to_string(m / 100) + "." + fraction;
}

bool LooksLikeHundredths(const std::string& text) {
    // ^-?[0-9]+\.[0-9]{2}$ and never "-0.00"
    std::size_t i = text.starts_with('-') ? 1 : 0;
    const std::size_t integerStart = i;
    while (i < text.size() && IsDigit(text[i])) {
        ++i;
    }
    if (i == integerStart || text.size() != i + 3 || text[i] != '.' || !IsDigit(text[i + 1]) ||
        !IsDigit(text[i + 2])) {
        return false;
    }
    return text != "-0.00";
}

// hundredths / 100 + correction rounded half away from zero, where this can be
// computed exactly enough: up to 15 significant digits (below 2^63 as an integer),
// and the correction x 100 either an integer below 10^18 or with at most 12
// decimals. Then long double (64-bit mantissa) errs by less than the distance
// of any non-tie to a half, and ties are exact. Nothing outside that range.
std::optional<std::string> ExpectedCorrected(std::uint16_t hundredths,
                                             const codec::DecimalNumber& c) {
    std::string digits = c.digits;
    std::int64_t exponent = c.exponent;
    while (!digits.empty() && digits.back() == '0') {
        digits.pop_back();
        ++exponent;
    }
    if (digits.empty()) {
        return Hundredths(hundredths);
    }
    if (digits.size() > 15) {
        return std::nullopt;
    }
    const std::int64_t shift = exponent + 2; // the correction in hundredths is D x 10^shift
    const auto d = static_cast<std::int64_t>(std::stoull(digits));
    if (shift >= 0) {
        if (shift + static_cast<std::int64_t>(digits.size()) > 18) {
            return std::nullopt;
        }
        std::int64_t whole = d;
        for (std::int64_t i = 0; i < shift; ++i) {
            whole *= 10;
        }
        return Hundredths(hundredths + (c.negative ? -whole : whole));
    }
    if (shift < -12) {
        return std::nullopt;
    }
    long double scale = 1.0L;
    for (std::int64_t i = 0; i < -shift; ++i) {
        scale *= 10.0L;
    }
    const long double q = static_cast<long double>(d) / scale;
    const long double x = static_cast<long double>(hundredths) + (c.negative ? -q : q);
    return Hundredths(std::llroundl(x));
}

void CheckCorrected(std::uint16_t hundredths, const codec::DecimalNumber& correction,
                    std::string_view text) {
    const std::string shown = codec::FormatCorrected(hundredths, correction);
    FUZZ_CHECK(LooksLikeHundredths(shown), "FormatCorrected(%u, \"%.*s\") = \"%s\"", hundredths,
               static_cast<int>(text.size()), text.data(), shown.c_str());
    if (const auto expected = ExpectedCorrected(hundredths, correction)) {
        FUZZ_CHECK(shown == *expected, "FormatCorrected(%u, \"%.*s\") = \"%s\", expected \"%s\"",
                   hundredths, static_cast<int>(text.size()), text.data(), shown.c_str(),
                   expected->c_str());
    }
}

void CheckRounding(double v) {
    const double floor = codec::IntegerPart(v);
    FUZZ_CHECK(floor == std::trunc(floor) && floor <= v && (floor == v || floor + 1.0 > v),
               "IntegerPart(%.17g) = %.17g", v, floor);

    const double even = codec::RoundHalfEven(v);
    const long double distance = std::fabs(static_cast<long double>(even) - v);
    FUZZ_CHECK(even == std::trunc(even) && distance <= 0.5L &&
                   (distance < 0.5L || std::fmod(even, 2.0) == 0.0),
               "RoundHalfEven(%.17g) = %.17g", v, even);
}

void CheckRounding(float v) {
    const float even = codec::RoundHalfEven(v);
    const long double distance = std::fabs(static_cast<long double>(even) - v);
    FUZZ_CHECK(even == std::trunc(even) && distance <= 0.5L &&
                   (distance < 0.5L || std::fmod(even, 2.0F) == 0.0F),
               "RoundHalfEven(%.9gf) = %.9gf", static_cast<double>(v), static_cast<double>(even));
}

void CheckAdjustment(std::string_view bytes) {
    const QString entry = QString::fromUtf8(bytes.data(), static_cast<qsizetype>(bytes.size()));
    const std::string text = entry.toStdString();
    const auto w = module_setup::AdjustmentValue(text);
    const auto single = codec::ReadSingle(text);
    const bool inRange = single && *single >= -32768.0F && *single <= 65535.0F;
    FUZZ_CHECK(w.has_value() == inRange, "AdjustmentValue(\"%s\") %s, ReadSingle gives %.9g",
               text.c_str(), w ? "present" : "missing",
               single ? static_cast<double>(*single) : 0.0);
    if (!w) {
        return;
    }
    // The register holds the nearest integer (halves to even), negative ones as
    // two's complement. A negative entry is first moved up by 65536 in single
    // precision, which rounds it to 1/256: within 1/512 of a half it may then
    // round to the other neighbour ("-1.499" gives -2), so allow that much.
    const long double v = *single;
    const long double asSigned = v < 0 && *w != 0 ? *w - 65536.0L : *w;
    const long double tolerance = v < 0 ? 0.5L + 1.0L / 512 : 0.5L;
    FUZZ_CHECK(std::fabs(asSigned - v) <= tolerance, "AdjustmentValue(\"%s\") = %u for %.9Lg",
               text.c_str(), *w, v);
    if (v >= 0) {
        FUZZ_CHECK(*w == codec::RoundHalfEven(*single), "AdjustmentValue(\"%s\") = %u for %.9Lg",
                   text.c_str(), *w, v);
    }
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::string_view text(reinterpret_cast<const char*>(data), size);

    const auto number = codec::ReadDecimal(text);
    FUZZ_CHECK(codec::IsNumber(text) == number.has_value(), "IsNumber disagrees with ReadDecimal");
    FUZZ_CHECK(codec::ReadNumber(text).has_value() == number.has_value(),
               "ReadNumber disagrees with ReadDecimal");

    const std::string_view core = Trimmed(text);
    const bool grammar = MatchesGrammar(core);
    bool overflow = false;
    const double reference = grammar ? Strtod(std::string(core), overflow) : 0.0;
    FUZZ_CHECK(number.has_value() == (grammar && !overflow), "ReadDecimal(\"%.*s\") %s",
               static_cast<int>(text.size()), text.data(), number ? "accepted" : "refused");

    const auto single = codec::ReadSingle(text);
    if (number) {
        const double value = number->value;
        FUZZ_CHECK(std::isfinite(value), "not finite");
        FUZZ_CHECK(SameValue(value, reference), "ReadDecimal(\"%.*s\") = %.17g, strtod %.17g",
                   static_cast<int>(text.size()), text.data(), value, reference);
        FUZZ_CHECK(*codec::ReadNumber(text) == value, "ReadNumber disagrees with ReadDecimal");
        FUZZ_CHECK(std::signbit(value) == number->negative, "sign lost");

        // digits x 10^exponent is the typed number.
        FUZZ_CHECK(number->digits.find_first_not_of("0123456789") == std::string::npos &&
                       !number->digits.starts_with('0'),
                   "digits \"%s\"", number->digits.c_str());
        bool unused = false;
        const double fromDigits =
            number->digits.empty()
                ? 0.0
                : Strtod(number->digits + "e" + std::to_string(number->exponent), unused);
        FUZZ_CHECK(SameValue(std::fabs(value), fromDigits),
                   "ReadDecimal(\"%.*s\"): %se%lld does not give %.17g",
                   static_cast<int>(text.size()), text.data(), number->digits.c_str(),
                   static_cast<long long>(number->exponent), value);

        const bool fits = std::fabs(value) <= static_cast<double>(FLT_MAX);
        FUZZ_CHECK(single.has_value() == fits, "ReadSingle presence for %.17g", value);
        if (single) {
            FUZZ_CHECK(*single == static_cast<float>(value), "ReadSingle(%.17g) = %.9g", value,
                       static_cast<double>(*single));
            CheckRounding(*single);
        }
        CheckRounding(value);

        // Fixed values, and the ones where the corrected sum crosses zero.
        for (std::uint16_t h : {0, 1, 50, 100, 2500, 19999, 20000, 65534, 65535}) {
            CheckCorrected(h, *number, text);
        }
        const double centi = std::fabs(value) * 100.0;
        if (centi < 65535.0) {
            const auto h = static_cast<std::uint16_t>(centi);
            CheckCorrected(h, *number, text);
            CheckCorrected(static_cast<std::uint16_t>(h + 1), *number, text);
        }
    } else {
        FUZZ_CHECK(!single.has_value(), "ReadSingle accepted what ReadDecimal refused");
    }

    CheckAdjustment(text);
    return 0;
}
