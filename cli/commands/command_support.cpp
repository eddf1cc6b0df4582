#include "cli/commands/command_support.h"

#include <cmath>

#include "codec/frames.h"
#include "codec/hex_text.h"
#include "codec/protocol.h"
#include "master/timestamp.h"
#include "options/number_reading.h"

namespace cli {

std::optional<std::string> ChoiceOption(const Arguments& arguments, std::string_view name,
                                        std::initializer_list<std::string_view> choices,
                                        std::string& error) {
    const std::optional<std::string> given = arguments.value(name);
    if (!given) {
        return std::string(*choices.begin());
    }
    std::string list;
    for (const std::string_view choice : choices) {
        if (choice == *given) {
            return given;
        }
        list += (list.empty() ? "" : ", ") + std::string(choice);
    }
    error = options::BadValue(name, *given, list);
    return std::nullopt;
}

std::optional<int> RegistersOption(const Arguments& arguments, std::string& error) {
    const auto choice = ChoiceOption(arguments, "registers", {"1", "2"}, error);
    if (!choice) {
        return std::nullopt;
    }
    return *choice == "1" ? 1 : 2;
}

std::optional<std::chrono::nanoseconds> GapOption(const Arguments& arguments, std::string& error) {
    const std::optional<std::string> text = arguments.value("gap");
    if (!text) {
        return std::chrono::nanoseconds(0);
    }
    const std::optional<double> ms = options::ReadDecimal(*text, 0.0, 10'000.0);
    if (!ms) {
        error = options::BadValue("gap", *text, "0 to 10000 milliseconds");
        return std::nullopt;
    }
    return std::chrono::nanoseconds(std::llround(*ms * 1e6));
}

std::string HexBytes(std::span<const std::uint8_t> bytes) {
    const std::string text = codec::ReceivedHexText(bytes);
    return text.empty() ? text : text.substr(1);
}

Row RowOf(int address, const Session::Exchange& exchange, int registers) {
    const master::Attempt& attempt = exchange.attempt;
    Row row;
    row.at = attempt.sentAt;
    row.time = master::Timestamp(row.at);
    row.address = address;
    row.outcome = attempt.verdict.outcome;
    row.responseMs = attempt.responseMs;
    row.raw = HexBytes(exchange.ok() ? attempt.answer() : std::span(attempt.received));
    if (exchange.ok()) {
        row.reading = master::ReadingOf(attempt.answer(), registers);
    }
    return row;
}

std::string FailureText(const Session::Exchange& exchange, int timeoutMs) {
    const master::Attempt& attempt = exchange.attempt;
    const std::string bytes = HexBytes(attempt.received);
    const std::string tries =
        exchange.attempts > 1 ? " (" + std::to_string(exchange.attempts) + " tries)" : "";
    switch (attempt.verdict.outcome) {
    case master::Outcome::Ok:
        return "ok";
    case master::Outcome::Timeout:
        return "no answer within " + std::to_string(timeoutMs) + " ms" + tries;
    case master::Outcome::Crc:
        return "answer with a bad CRC: " + bytes + tries;
    case master::Outcome::Exception:
        return "exception " + master::ExceptionText(attempt.verdict.exceptionCode) +
               " from address " + std::to_string(attempt.received[0]);
    case master::Outcome::Short:
        return "short answer within " + std::to_string(timeoutMs) + " ms: " + bytes + tries;
    case master::Outcome::WrongAddress:
        return "answer from address " + std::to_string(attempt.received[0]) +
               ", not the one asked: " + bytes + tries;
    case master::Outcome::WrongFunction:
        return "answer with function " + codec::FormatHex(attempt.received[1]) +
               ", not the one asked: " + bytes + tries;
    case master::Outcome::Lost:
        return "the port was lost";
    }
    return bytes;
}

} // namespace cli
