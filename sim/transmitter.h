#pragma once

#include <chrono>
#include <cstdint>
#include <deque>
#include <optional>
#include <vector>

namespace sim {

// When each byte of a response leaves. Without pacing a response goes out
// whole as soon as it is queued; with a baud rate each byte takes ten bit
// times, as on a real line, after the turnaround delay; a split gap spaces the
// bytes further apart. Times are absolute, so a late wake-up never makes the
// line slower than it should be.
class Transmitter {
public:
    using Clock = std::chrono::steady_clock;

    struct Pacing {
        long baud = 0; // 0: no line time
        Clock::duration turnaround{};
        Clock::duration gap{};
    };

    explicit Transmitter(const Pacing& pacing) : m_pacing(pacing) {}

    // A response to a request that arrived at `now`. A response queued while
    // another is still going out follows it.
    void Queue(const std::vector<std::uint8_t>& bytes, Clock::time_point now);

    bool Idle() const { return m_bytes.empty(); }
    // The send time of the next byte, if any is queued.
    std::optional<Clock::time_point> NextDue() const;
    // Every byte whose time has come, in order; they stay queued until Sent().
    std::vector<std::uint8_t> Due(Clock::time_point now) const;
    // The first `count` due bytes were written; gives back the responses
    // whose last byte has now gone out.
    std::vector<std::vector<std::uint8_t>> Sent(std::size_t count);

private:
    struct Byte {
        std::uint8_t value;
        Clock::time_point due;
        bool lastOfFrame;
    };

    Clock::duration ByteTime() const;

    Pacing m_pacing;
    std::deque<Byte> m_bytes;
    std::vector<std::uint8_t> m_partlySent;
};

} // namespace sim
