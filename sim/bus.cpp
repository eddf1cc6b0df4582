#include "sim/bus.h"

#include <algorithm>

namespace sim {

namespace {

// Each module draws from streams of its own; the first module's are those a
// lone module has always used, and seed + 2 stays the line noise's.
constexpr std::uint32_t kSeedsPerModule = 4;
constexpr std::uint32_t kDriftSeed = 0;
constexpr std::uint32_t kFaultSeed = 1;
constexpr std::uint32_t kNoiseSeed = 3;

// `start` moved up by `steps` readings, wrapped back into low..high.
int Spread(int start, std::size_t steps, int low, int high) {
    const int raised = start + static_cast<int>(steps) * Bus::kReadingStep;
    return raised <= high ? raised : low + (raised - low) % (high - low);
}

} // namespace

Bus::Bus(const Options& options, Clock::time_point now) {
    const std::uint32_t seed = options.seed.value_or(0);
    for (std::size_t i = 0; i < options.addresses.size(); ++i) {
        const std::uint8_t address = options.addresses[i];
        const std::uint32_t base = seed + kSeedsPerModule * static_cast<std::uint32_t>(i);
        ModuleState state;
        state.address = address;
        state.humidity = Spread(options.humidity, i, kHumidityMin, kHumidityMax);
        state.temperature = Spread(options.temperature, i, kTemperatureMin, kTemperatureMax);
        const auto own = options.moduleFaults.find(address);
        const FaultSet& faults = own == options.moduleFaults.end() ? options.faults : own->second;
        Module module{state, std::nullopt, std::nullopt, FaultyModule(faults, base + kFaultSeed)};
        if (options.drift) {
            module.drift.emplace(state, base + kDriftSeed, now);
        }
        if (options.noise > 0) {
            module.noise.emplace(options.noise, base + kNoiseSeed);
        }
        m_modules.push_back(std::move(module));
    }
}

Bus::Reply Bus::Answer(std::span<const std::uint8_t> frame, Clock::time_point now) {
    std::vector<std::vector<std::uint8_t>> answers;
    for (Module& module : m_modules) {
        if (module.drift) {
            module.drift->Advance(module.state, now);
        }
        // Only a frame for this module draws its noise, so that each of its
        // answers reads a new value however many frames the others get.
        if (module.noise && !frame.empty() && frame[0] == module.state.address) {
            module.noise->Draw(module.state);
        }
        std::vector<std::uint8_t> answer = module.faulty.Answer(module.state, frame);
        if (!answer.empty()) {
            answers.push_back(std::move(answer));
        }
    }
    Reply reply;
    reply.answers = answers.size();
    reply.bytes = answers.size() == 1 ? std::move(answers.front()) : Collide(answers);
    return reply;
}

std::vector<std::uint8_t> Collide(const std::vector<std::vector<std::uint8_t>>& answers) {
    std::vector<std::uint8_t> line;
    for (const auto& answer : answers) {
        line.resize(std::max(line.size(), answer.size()));
        for (std::size_t i = 0; i < answer.size(); ++i) {
            line[i] |= answer[i];
        }
    }
    return line;
}

} // namespace sim
