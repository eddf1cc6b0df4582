#pragma once

#include <algorithm>
#include <chrono>
#include <cmath>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

// Small helpers shared by the benchmark programs.

using BenchClock = std::chrono::steady_clock;

inline double Microseconds(BenchClock::duration d) {
    return std::chrono::duration<double, std::micro>(d).count();
}

inline double Milliseconds(BenchClock::duration d) {
    return std::chrono::duration<double, std::milli>(d).count();
}

// The sample at quantile q (0 to 1), nearest rank; 0 for no samples.
inline double Quantile(std::vector<double> samples, double q) {
    if (samples.empty()) {
        return 0;
    }
    const auto rank =
        static_cast<std::size_t>(std::lround(q * static_cast<double>(samples.size() - 1)));
    std::nth_element(samples.begin(), samples.begin() + static_cast<std::ptrdiff_t>(rank),
                     samples.end());
    return samples[rank];
}

inline double Median(std::vector<double> samples) {
    return Quantile(std::move(samples), 0.5);
}

inline const char* Verdict(bool met) {
    return met ? "met" : "NOT met";
}

// The number after `--name` on the command line, or `fallback`.
inline double NumberOption(int argc, char** argv, const char* name, double fallback) {
    for (int i = 1; i + 1 < argc; ++i) {
        if (std::strcmp(argv[i], name) == 0) {
            return std::atof(argv[i + 1]);
        }
    }
    return fallback;
}

inline bool FlagOption(int argc, char** argv, const char* name) {
    for (int i = 1; i < argc; ++i) {
        if (std::strcmp(argv[i], name) == 0) {
            return true;
        }
    }
    return false;
}
