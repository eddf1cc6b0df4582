#include "sim/drift.h"

#include <algorithm>

namespace sim {

namespace {
// After a long idle spell the walk only needs to look random, not to replay
// every missed step.
constexpr std::int64_t kMaxCatchUpSteps = 4096;
} // namespace

Drift::Drift(const ModuleState& start, std::uint32_t seed, Clock::time_point now)
    : m_random(seed), m_last(now), m_humidityCentre(start.humidity),
      m_temperatureCentre(start.temperature) {}

void Drift::Advance(ModuleState& state, Clock::time_point now) {
    const std::int64_t due = (now - m_last) / kStep;
    if (due <= 0) {
        return;
    }
    m_last += due * kStep;
    for (std::int64_t i = 0; i < std::min(due, kMaxCatchUpSteps); ++i) {
        state.humidity =
            Step(state.humidity, 2, m_humidityCentre, kHumidityRange, kHumidityMin, kHumidityMax);
        state.temperature = Step(state.temperature, 1, m_temperatureCentre, kTemperatureRange,
                                 kTemperatureMin, kTemperatureMax);
    }
}

int Drift::Step(int value, int maxStep, int centre, int range, int low, int high) {
    const auto span = static_cast<std::uint32_t>(2 * maxStep + 1);
    const int delta = static_cast<int>(m_random() % span) - maxStep;
    const int lowest = std::max(low, centre - range);
    const int highest = std::min(high, centre + range);
    return std::clamp(value + delta, std::min(lowest, highest), highest);
}

} // namespace sim
