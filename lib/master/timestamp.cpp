#include "master/timestamp.h"

#include <ctime>

namespace master {

namespace {
// `value` as `width` digits, leading zeros kept.
void PutDigits(char* at, long value, int width) {
    for (int i = width - 1; i >= 0; --i) {
        at[i] = static_cast<char>('0' + value % 10);
        value /= 10;
    }
}
} // namespace

std::string Timestamp(WallClock::time_point time) {
    const auto ms = std::chrono::floor<std::chrono::milliseconds>(time.time_since_epoch());
    const auto seconds = std::chrono::floor<std::chrono::seconds>(ms);
    const std::time_t whole = static_cast<std::time_t>(seconds.count());
    std::tm utc{};
    ::gmtime_r(&whole, &utc);
    std::string text = "0000-00-00T00:00:00.000Z";
    PutDigits(&text[0], utc.tm_year + 1900L, 4);
    PutDigits(&text[5], utc.tm_mon + 1L, 2);
    PutDigits(&text[8], utc.tm_mday, 2);
    PutDigits(&text[11], utc.tm_hour, 2);
    PutDigits(&text[14], utc.tm_min, 2);
    PutDigits(&text[17], utc.tm_sec, 2);
    PutDigits(&text[20], static_cast<long>((ms - seconds).count()), 3);
    return text;
}

} // namespace master
