#pragma once

#include <cstdint>
#include <span>
#include <string>

namespace master {

// With --verbose: every frame sent and received on standard error, with a
// millisecond timestamp, in the window's hex text ("sent: 01 03 ... 0A ",
// "received: 01 03 02 ..."), and notes about the line.
class FrameTrace {
public:
    explicit FrameTrace(bool enabled) : m_enabled(enabled) {}

    bool enabled() const { return m_enabled; }
    void sent(std::span<const std::uint8_t> frame) const;
    void received(std::span<const std::uint8_t> block) const;
    void note(const std::string& text) const;

private:
    bool m_enabled;
};

} // namespace master
