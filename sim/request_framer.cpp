#include "sim/request_framer.h"

#include <algorithm>
#include <utility>

namespace sim {

void RequestFramer::Push(std::span<const std::uint8_t> bytes) {
    // A flood of noise with no silence in it must not grow without bound.
    const std::size_t room = kMaxFrameSize - m_frame.bytes.size();
    const std::size_t kept = std::min(room, bytes.size());
    m_frame.bytes.insert(m_frame.bytes.end(), bytes.begin(),
                         bytes.begin() + static_cast<std::ptrdiff_t>(kept));
    m_frame.overlong = m_frame.overlong || kept < bytes.size();
}

ReceivedFrame RequestFramer::Take() {
    return std::exchange(m_frame, {});
}

} // namespace sim
