#include "sim/transmitter.h"

#include <algorithm>
#include <utility>

namespace sim {

namespace {
constexpr std::int64_t kBitsPerByte = 10; // start bit, eight data bits, stop bit
} // namespace

Transmitter::Clock::duration Transmitter::ByteTime() const {
    if (m_pacing.baud <= 0) {
        return Clock::duration::zero();
    }
    const std::chrono::nanoseconds perByte(kBitsPerByte * 1'000'000'000 / m_pacing.baud);
    return std::chrono::duration_cast<Clock::duration>(perByte);
}

void Transmitter::Queue(const std::vector<std::uint8_t>& bytes, Clock::time_point now) {
    if (bytes.empty()) {
        return;
    }
    Clock::time_point start = now + m_pacing.turnaround;
    if (!m_bytes.empty()) {
        start = std::max(start, m_bytes.back().due);
    }
    const Clock::duration byteTime = ByteTime();
    for (std::size_t i = 0; i < bytes.size(); ++i) {
        const auto n = static_cast<Clock::rep>(i);
        const Clock::time_point due = start + n * m_pacing.gap + (n + 1) * byteTime;
        m_bytes.push_back({bytes[i], due, i + 1 == bytes.size()});
    }
}

std::optional<Transmitter::Clock::time_point> Transmitter::NextDue() const {
    if (m_bytes.empty()) {
        return std::nullopt;
    }
    return m_bytes.front().due;
}

std::vector<std::uint8_t> Transmitter::Due(Clock::time_point now) const {
    std::vector<std::uint8_t> due;
    for (const Byte& byte : m_bytes) {
        if (byte.due > now) {
            break;
        }
        due.push_back(byte.value);
    }
    return due;
}

std::vector<std::vector<std::uint8_t>> Transmitter::Sent(std::size_t count) {
    std::vector<std::vector<std::uint8_t>> finished;
    for (std::size_t i = 0; i < count && !m_bytes.empty(); ++i) {
        const Byte byte = m_bytes.front();
        m_bytes.pop_front();
        m_partlySent.push_back(byte.value);
        if (byte.lastOfFrame) {
            finished.push_back(std::exchange(m_partlySent, {}));
        }
    }
    return finished;
}

} // namespace sim
