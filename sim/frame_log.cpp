#include "sim/frame_log.h"

#include <cerrno>
#include <chrono>
#include <cstring>
#include <ctime>

#include "codec/hex_text.h"

namespace sim {

namespace {
std::string TimeStamp() {
    using namespace std::chrono;
    const auto now = system_clock::now();
    const std::time_t seconds = system_clock::to_time_t(now);
    const auto millis = duration_cast<milliseconds>(now.time_since_epoch()).count() % 1000;
    std::tm local{};
    localtime_r(&seconds, &local);
    char text[40];
    const std::size_t length = std::strftime(text, sizeof text, "%Y-%m-%dT%H:%M:%S", &local);
    char withMillis[48];
    std::snprintf(withMillis, sizeof withMillis, "%.*s.%03d", static_cast<int>(length), text,
                  static_cast<int>(millis));
    return withMillis;
}

std::string LogEntry(std::string_view direction, std::span<const std::uint8_t> bytes,
                     std::string_view note) {
    std::string entry(direction);
    entry += ' ';
    std::string hex = codec::SentHexText(bytes);
    if (!hex.empty()) {
        hex.pop_back(); // the sent-frame text ends with a space
    }
    entry += hex;
    if (!note.empty()) {
        entry += " (";
        entry += note;
        entry += ')';
    }
    return entry;
}
} // namespace

FrameLog::~FrameLog() {
    if (m_file != nullptr) {
        std::fclose(m_file);
    }
}

std::string FrameLog::Open(const std::string& path) {
    m_file = std::fopen(path.c_str(), "w");
    if (m_file == nullptr) {
        return "cannot open the log " + path + ": " + std::strerror(errno);
    }
    return {};
}

void FrameLog::Write(std::string_view direction, std::span<const std::uint8_t> bytes,
                     std::string_view note) {
    if (m_file == nullptr || bytes.empty()) {
        return;
    }
    std::fprintf(m_file, "%s %s\n", TimeStamp().c_str(), LogEntry(direction, bytes, note).c_str());
    std::fflush(m_file);
}

} // namespace sim
