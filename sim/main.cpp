#include <cstdio>
#include <string_view>
#include <vector>

#include "sim/sim_loop.h"
#include "sim/sim_options.h"

int main(int argc, char** argv) {
    const std::vector<std::string_view> args(argv + 1, argv + argc);
    const sim::ParsedOptions parsed = sim::ParseOptions(args);
    switch (parsed.outcome) {
    case sim::ParsedOptions::Outcome::Help:
        std::fputs(sim::UsageText().c_str(), stdout);
        return 0;
    case sim::ParsedOptions::Outcome::Version:
        std::fputs(sim::VersionText().c_str(), stdout);
        return 0;
    case sim::ParsedOptions::Outcome::Error:
        std::fprintf(stderr, "ht5530k-sim: %s\nTry 'ht5530k-sim --help'.\n", parsed.error.c_str());
        return 2;
    case sim::ParsedOptions::Outcome::Run:
        break;
    }
    return sim::RunSimulator(parsed.options);
}
