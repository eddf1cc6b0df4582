#pragma once

#include <cstddef>
#include <cstdint>
#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <vector>

namespace master {

// How one exchange ended.
enum class Outcome {
    Ok,
    Timeout,       // nothing arrived
    Crc,           // the frame's CRC does not check
    Exception,     // a well-formed exception response
    Short,         // the time-out passed with the frame incomplete
    WrongAddress,  // a sound frame from another address
    WrongFunction, // a sound frame with another function code
    Lost,          // the port was lost: the exchange ended without an answer, or never went out
};

// The name in poll rows and summaries: "ok", "timeout", "crc", ...
std::string_view OutcomeName(Outcome outcome);

// What answer a request awaits.
struct Expectation {
    // Addresses an answer may come from; empty: any (requests to the shared
    // address 250 are answered from the module's own address).
    std::vector<std::uint8_t> addresses;
    std::uint8_t function = 0;
    // The whole answer's length; 0: read from the byte count in byte 2
    // (five bytes around it), as for the address read.
    std::size_t length = 0;
    // The exchange lasts its whole time-out, whatever comes: bytes after a
    // whole answer (a second device answering a shared address) are kept in
    // the attempt's bytes received, beyond the answer.
    bool untilTimeout = false;
};

struct Verdict {
    Outcome outcome = Outcome::Timeout;
    std::size_t length = 0;         // bytes of the received block that make the answer
    std::uint8_t exceptionCode = 0; // for Outcome::Exception
};

// The answer judged from the bytes received so far: nothing while it may
// still be incomplete. Bytes after a complete answer are not part of it.
std::optional<Verdict> JudgeSoFar(const Expectation& expected,
                                  std::span<const std::uint8_t> received);

// How many more bytes must arrive before JudgeSoFar can say more: at least 1.
// Before the function code is there, the shortest answer (an exception) is
// what is awaited.
std::size_t BytesStillAwaited(const Expectation& expected, std::span<const std::uint8_t> received);

// The verdict once the time-out has passed: what JudgeSoFar would say, or
// why the bytes received are no answer.
Verdict JudgeAtTimeout(const Expectation& expected, std::span<const std::uint8_t> received);

// "02 (illegal data address)"
std::string ExceptionText(std::uint8_t code);

} // namespace master
