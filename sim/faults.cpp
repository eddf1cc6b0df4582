#include "sim/faults.h"

#include <algorithm>
#include <utility>

namespace sim {

FaultyModule::FaultyModule(const FaultSet& faults, std::uint32_t seed)
    : m_faults(faults), m_random(seed) {}

std::vector<std::uint8_t> FaultyModule::Answer(ModuleState& state,
                                               std::span<const std::uint8_t> frame) {
    if (m_faults.silent) {
        return {};
    }
    // The module answers on a copy first: a request answered with an exception
    // must not change the address or the offsets.
    ModuleState next = state;
    std::vector<std::uint8_t> response = sim::Answer(next, frame);
    if (response.empty()) {
        return response;
    }
    if (m_faults.exception) {
        response = ExceptionResponse(state.address, frame[1], ExceptionCode::DeviceFailure);
    } else {
        state = next;
    }
    // Drawn for every response so that, for a given seed, which responses are
    // spoiled depends only on their order.
    const double draw = static_cast<double>(m_random()) / 4294967296.0;
    if (draw < m_faults.badCrcShare) {
        response[response.size() - 2] ^= 0xA5;
        response[response.size() - 1] ^= 0x5A;
    }
    if (m_faults.shortFrame) {
        response.pop_back();
    }
    if (m_faults.doubled) {
        std::vector<std::uint8_t> twice = response;
        twice.insert(twice.end(), response.begin(), response.end());
        response = std::move(twice);
    }
    return response;
}

namespace {
// The burst limit: a tenth of a second's worth.
constexpr double kBurstSeconds = 0.1;
} // namespace

GarbageSource::GarbageSource(std::int64_t bytesPerSecond, std::uint32_t seed, Clock::time_point now)
    : m_rate(bytesPerSecond), m_start(now), m_random(seed),
      m_gap(bytesPerSecond > 0 ? static_cast<double>(bytesPerSecond) : 1.0) {
    m_nextDue = m_gap(m_random);
}

double GarbageSource::SecondsAt(Clock::time_point when) const {
    return std::chrono::duration<double>(when - m_start).count();
}

void GarbageSource::LimitBacklog(double now) {
    m_nextDue = std::max(m_nextDue, now - kBurstSeconds);
}

std::optional<GarbageSource::Clock::time_point> GarbageSource::NextDue(Clock::time_point now) {
    if (!Enabled()) {
        return std::nullopt;
    }
    const double at = SecondsAt(now);
    LimitBacklog(at);
    if (m_nextDue <= at) {
        return now;
    }
    const std::chrono::duration<double> wait(m_nextDue - at);
    return now + std::chrono::ceil<Clock::duration>(wait);
}

std::vector<std::uint8_t> GarbageSource::Take(Clock::time_point now, std::size_t maxBytes) {
    std::vector<std::uint8_t> bytes;
    if (!Enabled()) {
        return bytes;
    }
    const double at = SecondsAt(now);
    LimitBacklog(at);
    while (bytes.size() < maxBytes && m_nextDue <= at) {
        bytes.push_back(static_cast<std::uint8_t>(m_random() & 0xFFU));
        m_nextDue += m_gap(m_random);
    }
    return bytes;
}

} // namespace sim
