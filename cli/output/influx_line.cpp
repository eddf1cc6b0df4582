#include "cli/output/influx_line.h"

#include <chrono>

namespace cli {

namespace {

// Holds no comma or space: nothing to escape.
constexpr std::string_view kMeasurement = "ht5530k";

} // namespace

std::string InfluxTag(std::string_view text) {
    std::string escaped;
    escaped.reserve(text.size() + 4);
    for (const char c : text) {
        if (c == ',' || c == '=' || c == ' ') {
            escaped += '\\';
        }
        escaped += c;
    }
    return escaped;
}

std::string InfluxString(std::string_view text) {
    std::string quoted = "\"";
    quoted.reserve(text.size() + 4);
    for (const char c : text) {
        if (c == '"' || c == '\\') {
            quoted += '\\';
        }
        quoted += c;
    }
    return quoted + '"';
}

InfluxLines::InfluxLines(std::string_view port) : m_portTag(",port=" + InfluxTag(port)) {}

std::string InfluxLines::line(const Row& row) const {
    std::string text(kMeasurement);
    text += ",address=" + std::to_string(row.address);
    if (!row.name.empty()) {
        text += ",name=" + InfluxTag(row.name);
    }
    text += m_portTag;
    char separator = ' ';
    const auto field = [&](std::string_view key, const std::string& value) {
        text += separator;
        text += key;
        text += '=';
        text += value;
        separator = ',';
    };
    if (row.reading.humidity) {
        field("humidity", Hundredths(*row.reading.humidity));
    }
    if (row.reading.temperature) {
        field("temperature", Hundredths(*row.reading.temperature));
    }
    if (row.responseMs) {
        field("response_ms", Milliseconds(*row.responseMs));
    }
    field("outcome", InfluxString(OutcomeText(row)));
    const auto ns = std::chrono::duration_cast<std::chrono::nanoseconds>(row.at.time_since_epoch());
    return text + ' ' + std::to_string(ns.count()) + '\n';
}

} // namespace cli
