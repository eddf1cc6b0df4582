#include "cli/output/metrics_registry.h"

#include <algorithm>
#include <chrono>

#include "cli/output/metrics_exposition.h"

namespace cli {

MetricsRegistry::MetricsRegistry(std::string port, const std::vector<int>& addresses,
                                 const std::map<int, std::string>& names)
    : m_port(std::move(port)) {
    for (const int address : addresses) {
        const auto name = names.find(address);
        m_modules[address].name = name != names.end() ? name->second : std::string();
    }
}

void MetricsRegistry::turned(const Row& row, bool /*answering*/) {
    ModuleMetrics& module = m_modules[row.address];
    if (!row.missed.empty()) {
        module.up = false;
        return;
    }
    ++module.exchanges[static_cast<std::size_t>(row.outcome)];
    module.up = row.outcome == master::Outcome::Ok;
    if (row.responseMs) {
        const double seconds = *row.responseMs / 1000.0;
        const auto bound =
            std::lower_bound(kResponseBuckets.begin(), kResponseBuckets.end(), seconds);
        ++module.responses[static_cast<std::size_t>(bound - kResponseBuckets.begin())];
        module.responseSeconds += seconds;
    }
    if (module.up) {
        module.humidity = row.reading.humidity;
        module.temperature = row.reading.temperature;
        const auto ms =
            std::chrono::duration_cast<std::chrono::milliseconds>(row.at.time_since_epoch());
        module.lastSuccess = static_cast<double>(ms.count()) / 1000.0;
    }
}

std::string MetricsRegistry::text() const {
    return ExpositionText(m_port, m_modules);
}

} // namespace cli
