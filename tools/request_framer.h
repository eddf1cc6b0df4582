#pragma once

#include "tools/module_model.h"

#include <array>
#include <cstdint>
#include <deque>
#include <optional>
#include <span>
#include <vector>

namespace sim {

using RequestFrame = std::array<std::uint8_t, kRequestSize>;

// Cuts the received byte stream into requests. The line carries no framing, so
// a request is any 8 bytes ending in their CRC; when the bytes at the front do
// not form one, the first byte is dropped and the search goes on from the next.
class RequestFramer {
public:
    void Push(std::span<const std::uint8_t> bytes);

    // The next request, or nothing until more bytes arrive.
    std::optional<RequestFrame> Next();

    // The line went quiet in the middle of a frame: what is left can only be noise.
    void DropPartial();
    bool HasPartial() const { return !m_pending.empty(); }

    // Bytes dropped since the last call, in arrival order.
    std::vector<std::uint8_t> TakeDiscarded();

private:
    void Discard(std::size_t count);

    std::deque<std::uint8_t> m_pending;
    std::vector<std::uint8_t> m_discarded;
};

} // namespace sim
