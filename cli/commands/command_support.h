#pragma once

#include <chrono>
#include <cstdint>
#include <initializer_list>
#include <optional>
#include <span>
#include <string>
#include <string_view>

#include "cli/options/arguments.h"
#include "cli/output/row_format.h"
#include "cli/session.h"
#include "codec/frames.h"
#include "master/answer_judging.h"
#include "master/requests.h"

// Pieces several commands share.
namespace cli {

// --registers: 1 or 2 (default 1); the error text when it is neither.
std::optional<int> RegistersOption(const Arguments& arguments, std::string& error);
// An option with a fixed set of values, the first of them the default.
std::optional<std::string> ChoiceOption(const Arguments& arguments, std::string_view name,
                                        std::initializer_list<std::string_view> choices,
                                        std::string& error);

// --gap MS: milliseconds, decimals allowed, 0 to 10000 (default 0: the
// line's own 3.5 characters); the error text when it is not.
std::optional<std::chrono::nanoseconds> GapOption(const Arguments& arguments, std::string& error);

// The --gap option, the same for read and poll.
inline constexpr OptionSpec kGapOption{"gap", 0, "MS",
                                       "keep the line quiet for MS milliseconds (decimals\n"
                                       "allowed, up to 10000) after an answer or a time-out\n"
                                       "before the next request; never less than 3.5\n"
                                       "characters of the line (2.01 ms at 19200 baud, the\n"
                                       "default). Slow modules and USB adapters may need more"};

// The exchange as a row of poll or read.
Row RowOf(int address, const Session::Exchange& exchange, int registers);

// Why an exchange failed, for standard error: "no answer from address 1
// within 500 ms", "exception 02 (illegal data address) from address 1", ...
std::string FailureText(const Session::Exchange& exchange, int timeoutMs);

// Hex of the bytes, one space between them: "01 03 02 11 C6 34 46".
std::string HexBytes(std::span<const std::uint8_t> bytes);

} // namespace cli
