#include "cli/output/row_format.h"

#include <charconv>
#include <cmath>

#include "codec/value_text.h"

namespace cli {

namespace {

std::string OrEmpty(const std::optional<std::int32_t>& value) {
    return value ? Hundredths(*value) : std::string();
}

} // namespace

std::string Hundredths(std::int32_t value) {
    return codec::FormatHundredths(value);
}

std::string Milliseconds(double ms) {
    // Hundredths of a millisecond, rounded: the text of every row.
    return codec::FormatHundredths(std::llround(ms * 100.0));
}

std::string_view OutcomeText(const Row& row) {
    return row.missed.empty() ? master::OutcomeName(row.outcome) : row.missed;
}

std::string CsvHeader() {
    return "time,address,outcome,response_ms,humidity,temperature,raw\n";
}

std::string CsvRow(const Row& row) {
    // No value holds a comma, a quote or a line end: nothing needs quoting.
    return row.time + ',' + std::to_string(row.address) + ',' + std::string(OutcomeText(row)) +
           ',' + (row.responseMs ? Milliseconds(*row.responseMs) : std::string()) + ',' +
           OrEmpty(row.reading.humidity) + ',' + OrEmpty(row.reading.temperature) + ',' + row.raw +
           '\n';
}

void WriteJsonRow(const Row& row, std::string& out) {
    // Appended piece by piece into one buffer: a poll writes one each turn.
    const auto value = [&out](const std::optional<std::int32_t>& hundredths) {
        out += hundredths ? Hundredths(*hundredths) : std::string_view("null");
    };
    out.assign("{\"time\":\"");
    out += row.time;
    out += "\",\"address\":";
    char address[12];
    out.append(address, std::to_chars(address, address + sizeof address, row.address).ptr);
    out += ",\"outcome\":\"";
    out += OutcomeText(row);
    out += "\",\"response_ms\":";
    out += row.responseMs ? Milliseconds(*row.responseMs) : std::string_view("null");
    out += ",\"humidity\":";
    value(row.reading.humidity);
    out += ",\"temperature\":";
    value(row.reading.temperature);
    out += ",\"raw\":\"";
    out += row.raw;
    out += "\"}";
}

std::string JsonRow(const Row& row) {
    std::string text;
    WriteJsonRow(row, text);
    return text += '\n';
}

std::string TextRow(const Row& row) {
    std::string text =
        row.time + " address " + std::to_string(row.address) + ' ' + std::string(OutcomeText(row));
    if (row.responseMs) {
        text += ' ' + Milliseconds(*row.responseMs) + " ms";
    }
    if (row.missed.empty() && row.outcome == master::Outcome::Ok) {
        text += row.reading.humidity ? " humidity " + Hundredths(*row.reading.humidity) + " %RH"
                                     : std::string(" humidity: no reading");
        if (row.reading.registers >= 2) {
            text += row.reading.temperature
                        ? " temperature " + Hundredths(*row.reading.temperature) + " °C"
                        : std::string(" temperature: no reading");
        }
    } else if (!row.raw.empty()) {
        text += ": " + row.raw;
    }
    return text + '\n';
}

} // namespace cli
