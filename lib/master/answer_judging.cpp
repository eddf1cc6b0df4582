#include "master/answer_judging.h"

#include <algorithm>

#include "codec/hex_text.h"
#include "codec/protocol.h"

namespace master {

namespace {

// Address, function, exception code and CRC.
constexpr std::size_t kExceptionLength = 5;
// Address, function, byte count and CRC around the counted bytes.
constexpr std::size_t kCountedOverhead = 5;

bool FromExpectedAddress(const Expectation& expected, std::uint8_t address) {
    return expected.addresses.empty() ||
           std::ranges::find(expected.addresses, address) != expected.addresses.end();
}

Verdict Judge(const Expectation& expected, std::span<const std::uint8_t> frame,
              Outcome soundOutcome) {
    Verdict verdict{soundOutcome, frame.size(), 0};
    if (!codec::CrcMatches(frame)) {
        verdict.outcome = Outcome::Crc;
    } else if (!FromExpectedAddress(expected, frame[0])) {
        verdict.outcome = Outcome::WrongAddress;
    } else if (soundOutcome == Outcome::Exception) {
        verdict.exceptionCode = frame[2];
    }
    return verdict;
}

// The length the answer has, once enough of it is there to tell.
std::optional<std::size_t> AnswerLength(const Expectation& expected,
                                        std::span<const std::uint8_t> received) {
    if (received.size() < 2) {
        return std::nullopt;
    }
    if (received[1] == (expected.function | codec::kExceptionBit)) {
        return kExceptionLength;
    }
    if (received[1] != expected.function) {
        return std::nullopt;
    }
    if (expected.length > 0) {
        return expected.length;
    }
    if (received.size() < 3) {
        return std::nullopt;
    }
    return kCountedOverhead + received[2];
}

} // namespace

std::string_view OutcomeName(Outcome outcome) {
    switch (outcome) {
    case Outcome::Ok:
        return "ok";
    case Outcome::Timeout:
        return "timeout";
    case Outcome::Crc:
        return "crc";
    case Outcome::Exception:
        return "exception";
    case Outcome::Short:
        return "short";
    case Outcome::WrongAddress:
        return "wrong-address";
    case Outcome::WrongFunction:
        return "wrong-function";
    case Outcome::Lost:
        return "lost";
    }
    return "unknown";
}

std::optional<Verdict> JudgeSoFar(const Expectation& expected,
                                  std::span<const std::uint8_t> received) {
    const std::optional<std::size_t> length = AnswerLength(expected, received);
    if (!length || received.size() < *length) {
        return std::nullopt;
    }
    const bool exception = received[1] != expected.function;
    return Judge(expected, received.first(*length), exception ? Outcome::Exception : Outcome::Ok);
}

std::size_t BytesStillAwaited(const Expectation& expected, std::span<const std::uint8_t> received) {
    std::size_t whole = kExceptionLength;
    if (expected.length > 0) {
        whole = std::min(whole, expected.length);
    }
    if (received.size() >= 2) {
        if (const auto length = AnswerLength(expected, received)) {
            whole = *length;
        } else if (received[1] == expected.function) {
            whole = 3; // the byte count is next
        } else {
            return 1; // an answer of no known length: the time-out decides
        }
    }
    return whole > received.size() ? whole - received.size() : 1;
}

Verdict JudgeAtTimeout(const Expectation& expected, std::span<const std::uint8_t> received) {
    if (const auto verdict = JudgeSoFar(expected, received)) {
        return *verdict;
    }
    if (received.empty()) {
        return {Outcome::Timeout, 0, 0};
    }
    if (received.size() >= 2 && received[1] != expected.function &&
        received[1] != (expected.function | codec::kExceptionBit)) {
        // A function no answer to this request has: a whole frame for some
        // other request if its CRC checks, line noise otherwise.
        return Judge(expected, received, Outcome::WrongFunction);
    }
    return {Outcome::Short, received.size(), 0};
}

std::string ExceptionText(std::uint8_t code) {
    std::string text = codec::FormatHex(code);
    switch (code) {
    case codec::kIllegalFunction:
        return text + " (illegal function)";
    case codec::kIllegalDataAddress:
        return text + " (illegal data address)";
    case codec::kIllegalDataValue:
        return text + " (illegal data value)";
    case codec::kDeviceFailure:
        return text + " (device failure)";
    default:
        return text;
    }
}

} // namespace master
