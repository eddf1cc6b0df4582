#pragma once

#include "sim/sim_options.h"

namespace sim {

// Runs the virtual module until a stop signal or the unplug fault; gives the
// exit status (0 stopped or unplugged, 1 system error).
int RunSimulator(const Options& options);

} // namespace sim
