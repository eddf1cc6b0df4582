#pragma once

#include <chrono>
#include <cstdint>
#include <optional>
#include <span>
#include <vector>

#include "sim/drift.h"
#include "sim/faults.h"
#include "sim/module_model.h"
#include "sim/read_noise.h"
#include "sim/sim_options.h"

namespace sim {

// The modules of one RS-485 line, one at each address of --address. Each has
// readings, drift, noise, faults and an address of its own; each hears every
// frame and answers for itself, so an address change moves only the module
// it is addressed to. When several answer the same frame (the shared address
// 250, or two modules left at one address) they drive the line at once.
class Bus {
public:
    using Clock = std::chrono::steady_clock;

    // Each module after the first starts 1.00 %RH and 1.00 degree above the
    // one before it in the list, wrapping from the top of a range to its
    // bottom, so that every module's readings tell it apart.
    static constexpr int kReadingStep = 100; // hundredths

    // `options.seed` must be set.
    Bus(const Options& options, Clock::time_point now);

    struct Reply {
        std::vector<std::uint8_t> bytes; // what the line carries, empty for silence
        std::size_t answers = 0;         // how many modules drove it
    };
    // The answer to one frame heard on the line.
    Reply Answer(std::span<const std::uint8_t> frame, Clock::time_point now);

private:
    struct Module {
        ModuleState state;
        std::optional<Drift> drift;
        std::optional<ReadNoise> noise;
        FaultyModule faulty;
    };

    std::vector<Module> m_modules;
};

// What the line carries when several modules send at once, from the same
// moment and at the same rate: a bit is 0 only where every module sends a 0.
// Two RS-485 drivers sending opposite bits cancel to about 0 V, which a
// fail-safe receiver reads as the idle level 1, so the bytes are OR-ed; the
// longest answer's tail goes out alone.
std::vector<std::uint8_t> Collide(const std::vector<std::vector<std::uint8_t>>& answers);

} // namespace sim
