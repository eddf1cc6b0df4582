#include "cli/commands/address_read.h"

#include "codec/hex_text.h"
#include "master/requests.h"

namespace cli {

namespace {

std::string Hex(std::span<const std::uint8_t> bytes) {
    const std::string text = codec::ReceivedHexText(bytes);
    return text.empty() ? text : text.substr(1);
}

} // namespace

master::Expectation AddressReadHearingAll() {
    master::Expectation expected = master::AddressReadExpectation();
    expected.untilTimeout = true;
    return expected;
}

std::optional<std::string> Collision(const master::Exchange& exchange) {
    const master::Attempt& attempt = exchange.attempt;
    const std::string bytes = Hex(attempt.received);
    switch (attempt.verdict.outcome) {
    case master::Outcome::Ok: {
        const std::size_t more = attempt.received.size() - attempt.verdict.length;
        if (more == 0) {
            return std::nullopt;
        }
        return "a sound answer from address " + std::to_string(attempt.received[0]) + ", then " +
               std::to_string(more) + " more byte" + (more == 1 ? "" : "s") + ": " + bytes;
    }
    case master::Outcome::Crc:
        return "bad CRC: " + bytes;
    case master::Outcome::Short:
        return "short answer: " + bytes;
    case master::Outcome::WrongAddress:
    case master::Outcome::WrongFunction:
        return "garbled answer: " + bytes;
    case master::Outcome::Timeout:
    case master::Outcome::Exception:
    case master::Outcome::Lost:
        break;
    }
    return std::nullopt;
}

std::string CollisionMessage(const std::string& collision) {
    return "more than one module answered the address read (to 250): their answers collided (" +
           collision + "); keep one module on the line, or find them all with scan";
}

} // namespace cli
