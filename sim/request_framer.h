#pragma once

#include <cstddef>
#include <cstdint>
#include <span>
#include <vector>

namespace sim {

// The longest frame Modbus RTU allows; a longer burst cannot be a request.
constexpr std::size_t kMaxFrameSize = 256;

// One frame as the line delivered it: everything between two silences.
struct ReceivedFrame {
    std::vector<std::uint8_t> bytes; // at most kMaxFrameSize of them
    bool overlong = false;           // more arrived than a frame may hold; the rest was dropped
};

// Cuts the received byte stream into frames the Modbus RTU way: a frame is
// whatever arrives until the line stays quiet for three and a half
// characters. Bytes in front of a request, a byte after it, or two requests
// with no silence between them therefore make one frame whose CRC fails, and
// the module ignores it, as a real slave does.
class RequestFramer {
public:
    void Push(std::span<const std::uint8_t> bytes);

    // Whether bytes wait for the line to go quiet.
    bool Collecting() const { return !m_frame.bytes.empty(); }

    // The line went quiet: the frame received since the last silence.
    ReceivedFrame Take();

private:
    ReceivedFrame m_frame;
};

} // namespace sim
