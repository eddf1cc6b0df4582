#include "cli/commands/scan_plan.h"

#include <algorithm>
#include <string>

#include "cli/options/line_options.h"
#include "options/number_reading.h"

namespace cli {

namespace {
constexpr int kTurnaroundMs = 50;
// A request and a two-register answer.
constexpr int kExchangeBytes = 8 + 9;
constexpr int kBitsPerCharacter = 11;
} // namespace

std::optional<std::vector<int>> ParseBauds(std::string_view text) {
    std::vector<int> bauds;
    const std::span<const int> known = ModuleBauds();
    while (true) {
        const std::size_t comma = text.find(',');
        const auto baud = options::ReadInteger(text.substr(0, comma), 1, 1'000'000);
        if (!baud || std::ranges::find(known, *baud) == known.end() ||
            std::ranges::find(bauds, *baud) != bauds.end()) {
            return std::nullopt;
        }
        bauds.push_back(static_cast<int>(*baud));
        if (comma == std::string_view::npos) {
            return bauds;
        }
        text.remove_prefix(comma + 1);
    }
}

std::optional<AddressRange> ParseAddressRange(std::string_view text) {
    const std::size_t dash = text.find('-');
    const auto first = options::ReadInteger(text.substr(0, dash), 1, 255);
    const auto last = dash == std::string_view::npos
                          ? first
                          : options::ReadInteger(text.substr(dash + 1), 1, 255);
    if (!first || !last || *first > *last) {
        return std::nullopt;
    }
    return AddressRange{static_cast<int>(*first), static_cast<int>(*last)};
}

int ScanTimeoutMs(int baud, std::optional<int> given) {
    if (given) {
        return *given;
    }
    const int bits = kExchangeBytes * kBitsPerCharacter * 1000;
    return kTurnaroundMs + (bits + baud - 1) / baud;
}

long long ScanWorstCaseMs(const std::vector<int>& bauds, const AddressRange& range,
                          std::optional<int> given) {
    const long long requests = 1 + (range.last - range.first + 1) + 1;
    long long total = 0;
    long long guardMs = 0; // after a time-out, the line quiet as long before the next request
    for (const int baud : bauds) {
        const long long timeoutMs = ScanTimeoutMs(baud, given);
        total += guardMs + requests * timeoutMs + (requests - 1) * timeoutMs;
        guardMs = timeoutMs;
    }
    return total;
}

} // namespace cli
