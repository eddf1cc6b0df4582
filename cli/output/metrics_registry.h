#pragma once

#include <array>
#include <cstdint>
#include <map>
#include <optional>
#include <string>
#include <vector>

#include "cli/output/poll_listener.h"

namespace cli {

// The upper bounds of the response-time histogram, in seconds: from a
// module's own millisecond to the longest time-out (--timeout 60000).
inline constexpr std::array<double, 15> kResponseBuckets{
    0.001, 0.002, 0.005, 0.01, 0.02, 0.05, 0.1, 0.2, 0.5, 1, 2, 5, 10, 30, 60};

// Every outcome of an exchange, Ok to Lost.
inline constexpr int kOutcomeCount = static_cast<int>(master::Outcome::Lost) + 1;

// What the metrics endpoint tells of one module.
struct ModuleMetrics {
    std::string name;                                 // --name, or empty
    std::optional<std::int32_t> humidity;             // the last reading, hundredths of %RH
    std::optional<std::int32_t> temperature;          // the last reading, hundredths of a degree
    bool up = false;                                  // the last exchange had a sound answer
    std::array<long long, kOutcomeCount> exchanges{}; // by master::Outcome
    // Response times at most each bound and above the one before; the last
    // slot: above every bound.
    std::array<long long, kResponseBuckets.size() + 1> responses{};
    double responseSeconds = 0;        // their sum
    std::optional<double> lastSuccess; // seconds since the epoch
};

// The numbers of a poll's modules as its turns end, kept for the metrics
// endpoint: a scrape reads them, it never asks the line. Each turn changes
// a few numbers; the text is made only when asked for.
//
// A reading stays after a failed exchange (up then says 0, and the last
// success how old it is); an answer without a reading clears it. A skipped
// turn counts no exchange.
class MetricsRegistry : public PollListener {
public:
    MetricsRegistry(std::string port, const std::vector<int>& addresses,
                    const std::map<int, std::string>& names);

    void turned(const Row& row, bool answering) override;

    // The Prometheus text of every module.
    std::string text() const;

private:
    std::string m_port;
    std::map<int, ModuleMetrics> m_modules; // by address
};

} // namespace cli
