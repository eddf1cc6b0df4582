#include "tools/request_framer.h"

#include <algorithm>
#include <utility>

namespace sim {

namespace {
// A flood of noise must not grow the record of dropped bytes without bound.
constexpr std::size_t kMaxDiscardedKept = 4096;
} // namespace

void RequestFramer::Push(std::span<const std::uint8_t> bytes) {
    m_pending.insert(m_pending.end(), bytes.begin(), bytes.end());
}

std::optional<RequestFrame> RequestFramer::Next() {
    while (m_pending.size() >= kRequestSize) {
        RequestFrame frame{};
        std::copy_n(m_pending.begin(), kRequestSize, frame.begin());
        if (CrcOk(frame)) {
            m_pending.erase(m_pending.begin(), m_pending.begin() + kRequestSize);
            return frame;
        }
        Discard(1);
    }
    return std::nullopt;
}

void RequestFramer::DropPartial() {
    Discard(m_pending.size());
}

std::vector<std::uint8_t> RequestFramer::TakeDiscarded() {
    return std::exchange(m_discarded, {});
}

void RequestFramer::Discard(std::size_t count) {
    const auto end = m_pending.begin() + static_cast<std::ptrdiff_t>(count);
    const std::size_t room = kMaxDiscardedKept - std::min(kMaxDiscardedKept, m_discarded.size());
    m_discarded.insert(m_discarded.end(), m_pending.begin(),
                       m_pending.begin() + static_cast<std::ptrdiff_t>(std::min(room, count)));
    m_pending.erase(m_pending.begin(), end);
}

} // namespace sim
