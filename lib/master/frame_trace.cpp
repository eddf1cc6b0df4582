#include "master/frame_trace.h"

#include <cstdio>

#include "codec/hex_text.h"
#include "master/timestamp.h"

namespace master {

namespace {
void Print(const std::string& line) {
    std::fprintf(stderr, "%s %s\n", Timestamp(WallClock::now()).c_str(), line.c_str());
}
} // namespace

void FrameTrace::sent(std::span<const std::uint8_t> frame) const {
    if (m_enabled) {
        Print("sent: " + codec::SentHexText(frame));
    }
}

void FrameTrace::received(std::span<const std::uint8_t> block) const {
    if (m_enabled) {
        Print(block.empty() ? std::string("received nothing")
                            : "received:" + codec::ReceivedHexText(block));
    }
}

void FrameTrace::note(const std::string& text) const {
    if (m_enabled) {
        Print(text);
    }
}

} // namespace master
