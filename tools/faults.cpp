#include "tools/faults.h"

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
// The burst limit: a tenth of a second's worth, and at least one byte.
constexpr double kBurstSeconds = 0.1;
} // namespace

GarbageSource::GarbageSource(std::int64_t bytesPerSecond, std::uint32_t seed, Clock::time_point now)
    : m_rate(bytesPerSecond), m_last(now), m_random(seed) {}

void GarbageSource::Accrue(Clock::time_point now) {
    const std::chrono::duration<double> elapsed = now - m_last;
    m_last = now;
    const double cap = std::max(1.0, static_cast<double>(m_rate) * kBurstSeconds);
    m_budget = std::min(cap, m_budget + static_cast<double>(m_rate) * elapsed.count());
}

std::optional<GarbageSource::Clock::time_point> GarbageSource::NextDue(Clock::time_point now) {
    if (!Enabled()) {
        return std::nullopt;
    }
    Accrue(now);
    if (m_budget >= 1.0) {
        return now;
    }
    const std::chrono::duration<double> wait((1.0 - m_budget) / static_cast<double>(m_rate));
    return now + std::chrono::ceil<Clock::duration>(wait);
}

std::vector<std::uint8_t> GarbageSource::Take(Clock::time_point now, std::size_t maxBytes) {
    if (!Enabled()) {
        return {};
    }
    Accrue(now);
    const auto count = std::min(maxBytes, static_cast<std::size_t>(m_budget));
    m_budget -= static_cast<double>(count);
    std::vector<std::uint8_t> bytes(count);
    for (auto& byte : bytes) {
        byte = static_cast<std::uint8_t>(m_random() & 0xFFU);
    }
    return bytes;
}

} // namespace sim
