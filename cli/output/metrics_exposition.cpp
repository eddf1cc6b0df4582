#include "cli/output/metrics_exposition.h"

#include <charconv>

#include "cli/output/row_format.h"

namespace cli {

namespace {

// The shortest text that reads back as `value`.
std::string Number(double value) {
    char text[32];
    const auto end = std::to_chars(text, text + sizeof text, value).ptr;
    return std::string(text, end);
}

void Family(std::string& text, std::string_view name, std::string_view type,
            std::string_view help) {
    text += "# HELP ";
    text += name;
    text += ' ';
    text += help;
    text += "\n# TYPE ";
    text += name;
    text += ' ';
    text += type;
    text += '\n';
}

// One sample: name{labels,extra} value.
void Sample(std::string& text, std::string_view name, const std::string& labels,
            std::string_view extra, const std::string& value) {
    text += name;
    text += '{';
    text += labels;
    text += extra;
    text += "} ";
    text += value;
    text += '\n';
}

using Labels = std::map<int, std::string>; // each module's labels, by address

// A gauge of the modules that have a value for it: `valueOf` gives the
// value's text, or nothing.
template <typename ValueOf>
void Gauge(std::string& text, const std::map<int, ModuleMetrics>& modules, const Labels& labels,
           std::string_view name, std::string_view help, const ValueOf& valueOf) {
    bool first = true;
    for (const auto& [address, module] : modules) {
        if (const std::optional<std::string> value = valueOf(module)) {
            if (first) {
                Family(text, name, "gauge", help);
                first = false;
            }
            Sample(text, name, labels.at(address), "", *value);
        }
    }
}

std::optional<std::string> HundredthsOf(const std::optional<std::int32_t>& value) {
    return value ? std::optional(Hundredths(*value)) : std::nullopt;
}

void Gauges(std::string& text, const std::map<int, ModuleMetrics>& modules, const Labels& labels) {
    Gauge(text, modules, labels, "ht5530k_relative_humidity_percent",
          "Relative humidity of the module's last reading, in %RH. Kept after failed exchanges: "
          "ht5530k_up and ht5530k_last_success_timestamp_seconds tell whether it is current.",
          [](const ModuleMetrics& module) { return HundredthsOf(module.humidity); });
    Gauge(text, modules, labels, "ht5530k_temperature_celsius",
          "Temperature of the module's last reading (poll --registers 2), in degrees Celsius. "
          "Kept after failed exchanges, as the humidity.",
          [](const ModuleMetrics& module) { return HundredthsOf(module.temperature); });
    Gauge(text, modules, labels, "ht5530k_up",
          "1 when the module's last exchange had a sound answer, else 0.",
          [](const ModuleMetrics& module) {
              return std::optional(std::string(module.up ? "1" : "0"));
          });
    Gauge(text, modules, labels, "ht5530k_last_success_timestamp_seconds",
          "When the request of the module's last sound exchange went out, in seconds since "
          "the epoch.",
          [](const ModuleMetrics& module) {
              return module.lastSuccess ? std::optional(Number(*module.lastSuccess)) : std::nullopt;
          });
}

void Exchanges(std::string& text, const std::map<int, ModuleMetrics>& modules,
               const Labels& labels) {
    constexpr std::string_view kName = "ht5530k_exchanges_total";
    Family(text, kName, "counter",
           "Exchanges with the module, by outcome (a request and its retries are one; skipped "
           "turns are none).");
    for (const auto& [address, module] : modules) {
        for (int outcome = 0; outcome < kOutcomeCount; ++outcome) {
            const std::string extra =
                ",outcome=\"" + std::string(OutcomeName(static_cast<master::Outcome>(outcome))) +
                '"';
            Sample(text, kName, labels.at(address), extra,
                   std::to_string(module.exchanges[static_cast<std::size_t>(outcome)]));
        }
    }
}

void Responses(std::string& text, const std::map<int, ModuleMetrics>& modules,
               const Labels& labels) {
    constexpr std::string_view kName = "ht5530k_response_seconds";
    Family(text, kName, "histogram",
           "Time from the request to the last byte of its answer, for the exchanges that got "
           "any, in seconds.");
    const std::string bucket = std::string(kName) + "_bucket";
    for (const auto& [address, module] : modules) {
        long long count = 0;
        for (std::size_t i = 0; i < module.responses.size(); ++i) {
            count += module.responses[i];
            const std::string bound =
                i < kResponseBuckets.size() ? Number(kResponseBuckets[i]) : std::string("+Inf");
            Sample(text, bucket, labels.at(address), ",le=\"" + bound + '"', std::to_string(count));
        }
        Sample(text, std::string(kName) + "_sum", labels.at(address), "",
               Number(module.responseSeconds));
        Sample(text, std::string(kName) + "_count", labels.at(address), "", std::to_string(count));
    }
}

} // namespace

std::string LabelValue(std::string_view text) {
    std::string quoted = "\"";
    for (const char c : text) {
        if (c == '\n') {
            quoted += "\\n";
            continue;
        }
        if (c == '\\' || c == '"') {
            quoted += '\\';
        }
        quoted += c;
    }
    return quoted + '"';
}

std::string ExpositionText(std::string_view port, const std::map<int, ModuleMetrics>& modules) {
    Labels labels;
    const std::string portLabel = "port=" + LabelValue(port);
    for (const auto& [address, module] : modules) {
        labels[address] = portLabel + ",address=\"" + std::to_string(address) + '"' +
                          (module.name.empty() ? "" : ",name=" + LabelValue(module.name));
    }
    std::string text;
    Gauges(text, modules, labels);
    Exchanges(text, modules, labels);
    Responses(text, modules, labels);
    return text;
}

} // namespace cli
