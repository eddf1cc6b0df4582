#include "codec/frame_silence.h"

#include <algorithm>
#include <cstdint>

namespace codec {

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

} // namespace codec
