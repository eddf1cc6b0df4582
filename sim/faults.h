#pragma once

#include <chrono>
#include <cstdint>
#include <optional>
#include <random>
#include <span>
#include <vector>

#include "sim/module_model.h"

namespace sim {

// Misbehaviours a client under test should survive. All are off by default.
struct FaultSet {
    bool silent = false;      // never answer
    bool exception = false;   // answer every request it understands with an exception
    double badCrcShare = 0.0; // share of responses sent with a wrong CRC, 0..1
    bool shortFrame = false;  // drop the last byte of every response
    int splitMs = 0;          // gap between the bytes of a response
    bool doubled = false;     // every response twice, back to back
    std::int64_t garbagePerSecond = 0;
    std::optional<double> unplugAfterSeconds;
};

// Turns the module's answers into what goes on the line under the faults.
class FaultyModule {
public:
    FaultyModule(const FaultSet& faults, std::uint32_t seed);

    // The bytes to send for one received frame; empty when nothing is sent.
    std::vector<std::uint8_t> Answer(ModuleState& state, std::span<const std::uint8_t> frame);

private:
    FaultSet m_faults;
    std::mt19937 m_random;
};

// Random bytes at a set mean rate, for the line noise fault. Each byte comes
// after a random gap (exponentially distributed, as independent noise
// bursts are), so the noise never keeps step with a master polling at a
// fixed interval. Bytes not sent on time are made up for in bursts, but only
// up to a short while's worth.
class GarbageSource {
public:
    using Clock = std::chrono::steady_clock;

    GarbageSource(std::int64_t bytesPerSecond, std::uint32_t seed, Clock::time_point now);

    bool Enabled() const { return m_rate > 0; }
    // When the next byte is due: now if one already is.
    std::optional<Clock::time_point> NextDue(Clock::time_point now);
    // Up to maxBytes of the bytes due by now.
    std::vector<std::uint8_t> Take(Clock::time_point now, std::size_t maxBytes);

private:
    // Seconds from m_start, kept as a double so that gaps far below a clock
    // tick still add up at high rates.
    double SecondsAt(Clock::time_point when) const;
    // Moves the next byte no further back than the burst limit allows.
    void LimitBacklog(double now);

    std::int64_t m_rate;
    Clock::time_point m_start;
    double m_nextDue; // seconds from m_start
    std::mt19937 m_random;
    std::exponential_distribution<double> m_gap;
};

} // namespace sim
