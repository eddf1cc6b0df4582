#pragma once

#include <map>
#include <string>
#include <string_view>

#include "cli/output/metrics_registry.h"

namespace cli {

// Prometheus's text format (version 0.0.4) of the modules on `port`, by
// address: each series with its HELP and TYPE lines, labelled port, address
// and, for a named module, name. A module without a reading has no sample of
// it, never a 0; a series none of the modules has is left out.
std::string ExpositionText(std::string_view port, const std::map<int, ModuleMetrics>& modules);

// A label value in its double quotes: backslash, double quote and line end
// escaped.
std::string LabelValue(std::string_view text);

} // namespace cli
