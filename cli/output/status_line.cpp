#include "cli/output/status_line.h"

#include <cstdio>
#include <unistd.h>

namespace cli {

StatusLine::StatusLine(bool wanted) : m_enabled(wanted && ::isatty(STDERR_FILENO) == 1) {}

void StatusLine::show(const std::string& text) {
    if (!m_enabled) {
        return;
    }
    std::fprintf(stderr, "\r%s\033[K", text.c_str());
    std::fflush(stderr);
    m_shown = true;
}

void StatusLine::clear() {
    if (m_shown) {
        std::fputs("\r\033[K", stderr);
        std::fflush(stderr);
        m_shown = false;
    }
}

} // namespace cli
