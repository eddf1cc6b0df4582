#pragma once

#include <cstdint>
#include <cstdio>
#include <span>
#include <string>
#include <string_view>

namespace sim {

// One line per frame, "2024-05-01T14:03:07.251 rx 01 03 00 00 00 01 84 0A",
// in local time. Lines are flushed at once so the log can be followed live.
// Bytes dropped while looking for a request are logged as "rx ... (discarded)".
class FrameLog {
public:
    FrameLog() = default;
    ~FrameLog();
    FrameLog(const FrameLog&) = delete;
    FrameLog& operator=(const FrameLog&) = delete;

    // Gives the error text, empty on success. Without a call nothing is logged.
    std::string Open(const std::string& path);
    void Write(std::string_view direction, std::span<const std::uint8_t> bytes,
               std::string_view note = {});

private:
    std::FILE* m_file = nullptr;
};

} // namespace sim
