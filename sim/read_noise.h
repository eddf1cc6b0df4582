#pragma once

#include <array>
#include <cstdint>
#include <optional>
#include <random>

#include "sim/module_model.h"

namespace sim {

// The flicker of a real module's last digits: each answer's readings lie up
// to a set number of hundredths off the module's state, at random, and never
// repeat the reading the answer before gave, so that a master polling it
// sees a new value at every poll.
class ReadNoise {
public:
    static constexpr int kMaxAmplitude = 1000; // hundredths

    // `amplitude` in hundredths, 1 to kMaxAmplitude.
    ReadNoise(int amplitude, std::uint32_t seed);

    // Sets the noise the next answer reads in `state`.
    void Draw(ModuleState& state);

private:
    std::mt19937 m_random;
    int m_amplitude;
    std::array<std::optional<std::uint16_t>, 2> m_last; // per register
};

} // namespace sim
