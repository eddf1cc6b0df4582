#pragma once

#include <chrono>
#include <optional>
#include <string>
#include <string_view>

#include "master/answer_judging.h"
#include "master/reading.h"

namespace cli {

// One exchange as poll and read report it.
struct Row {
    std::string time; // when the request went out: ISO 8601 UTC with milliseconds
    int address = 0;
    master::Outcome outcome = master::Outcome::Timeout;
    std::optional<double> responseMs; // none when nothing arrived
    master::Reading reading;          // empty unless the outcome is Ok
    std::string raw;                  // hex text of the bytes received
    // A turn that sent no request shows this outcome instead of `outcome`:
    // "skipped" when the module was backed off.
    std::string_view missed;
    // The module's name (--name), empty when it has none. Not a column of
    // CSV, JSON lines or text, whose columns stay as they are.
    std::string_view name;
    // `time` as a time point, for the outputs that count time.
    std::chrono::system_clock::time_point at;
};

// The row's outcome column: "ok", "timeout", ..., "skipped".
std::string_view OutcomeText(const Row& row);

// "time,address,outcome,response_ms,humidity,temperature,raw" and a line end.
std::string CsvHeader();
// Values as in the header; hundredths with two decimals, empty when absent.
std::string CsvRow(const Row& row);
// One JSON object on one line with the same keys; absent values are null.
std::string JsonRow(const Row& row);
// The same object without the line end, into `out` (replaced): a buffer
// kept from turn to turn.
void WriteJsonRow(const Row& row, std::string& out);
// For people: "2024-05-01T12:00:00.123Z address 1 ok 1.52 ms humidity 45.00 %RH".
std::string TextRow(const Row& row);

// Hundredths with two decimals: 4550 -> "45.50", -2 -> "-0.02".
std::string Hundredths(std::int32_t value);
// Milliseconds with two decimals.
std::string Milliseconds(double ms);

} // namespace cli
