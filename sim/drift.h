#pragma once

#include <chrono>
#include <cstdint>
#include <random>

#include "sim/module_model.h"

namespace sim {

// Slow, bounded random walk of both readings, so that cyclic polling sees
// values change the way a real room does: a few hundredths a second, never
// wandering more than a few units from where they started.
class Drift {
public:
    using Clock = std::chrono::steady_clock;

    static constexpr auto kStep = std::chrono::milliseconds(250);
    static constexpr int kHumidityRange = 300;    // ±3.00 %RH around the start
    static constexpr int kTemperatureRange = 150; // ±1.50 degrees around the start

    Drift(const ModuleState& start, std::uint32_t seed, Clock::time_point now);

    // Takes every step due between the last call and now.
    void Advance(ModuleState& state, Clock::time_point now);

private:
    int Step(int value, int maxStep, int centre, int range, int low, int high);

    std::mt19937 m_random;
    Clock::time_point m_last;
    int m_humidityCentre;
    int m_temperatureCentre;
};

} // namespace sim
