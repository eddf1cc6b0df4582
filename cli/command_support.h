#pragma once

#include <cstdint>
#include <initializer_list>
#include <optional>
#include <span>
#include <string>
#include <string_view>

#include "cli/arguments.h"
#include "cli/response_check.h"
#include "cli/row_format.h"
#include "cli/session.h"
#include "codec/frames.h"

// Pieces several commands share.
namespace cli {

// The answer to a register read of `count` registers from `address`.
Expectation RegisterReadExpectation(int address, int count);
// The answer to the address read: from whichever module listens at 250.
Expectation AddressReadExpectation();

// A register read at `address` (function 3, from register 0).
codec::Request ReadRequest(int address, int count);

// --registers: 1 or 2 (default 1); the error text when it is neither.
std::optional<int> RegistersOption(const Arguments& arguments, std::string& error);
// An option with a fixed set of values, the first of them the default.
std::optional<std::string> ChoiceOption(const Arguments& arguments, std::string_view name,
                                        std::initializer_list<std::string_view> choices,
                                        std::string& error);

// The exchange as a row of poll or read.
Row RowOf(int address, const Session::Exchange& exchange, int registers);

// Why an exchange failed, for standard error: "no answer from address 1
// within 500 ms", "exception 02 (illegal data address) from address 1", ...
std::string FailureText(const Session::Exchange& exchange, int timeoutMs);

// Hex of the bytes, one space between them: "01 03 02 11 C6 34 46".
std::string HexBytes(std::span<const std::uint8_t> bytes);

} // namespace cli
