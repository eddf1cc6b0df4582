#include "sim/read_noise.h"

#include <vector>

namespace sim {

ReadNoise::ReadNoise(int amplitude, std::uint32_t seed) : m_random(seed), m_amplitude(amplitude) {}

void ReadNoise::Draw(ModuleState& state) {
    for (int reg = 0; reg < 2; ++reg) {
        int& noise = reg == 0 ? state.humidityNoise : state.temperatureNoise;
        // Every offset whose reading differs from the last one; near a limit
        // of the range several offsets give the same clamped reading.
        std::vector<int> offsets;
        for (int offset = -m_amplitude; offset <= m_amplitude; ++offset) {
            noise = offset;
            if (RegisterValue(state, reg) != m_last[reg]) {
                offsets.push_back(offset);
            }
        }
        noise = 0;
        if (!offsets.empty()) {
            std::uniform_int_distribution<std::size_t> pick(0, offsets.size() - 1);
            noise = offsets[pick(m_random)];
        }
        m_last[reg] = RegisterValue(state, reg);
    }
}

} // namespace sim
