#include "sim/line_timing.h"

#include <algorithm>
#include <cstdint>

namespace sim {

namespace {
using namespace std::chrono_literals;

constexpr std::chrono::nanoseconds kMinSilence = 1750us;
// 3.5 characters of 11 bits, in bit times.
constexpr std::int64_t kSilenceBitsTimesTen = 385;
} // namespace

std::chrono::nanoseconds FrameSilence(long baud) {
    if (baud <= 0) {
        return kMinSilence;
    }
    const std::chrono::nanoseconds quiet(kSilenceBitsTimesTen * 100'000'000LL / baud);
    return std::max(kMinSilence, quiet);
}

bool HearsLine(long moduleBaud, long lineBaud) {
    return moduleBaud <= 0 || moduleBaud == lineBaud;
}

} // namespace sim
