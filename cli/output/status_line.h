#pragma once

#include <string>

namespace cli {

// A line on standard error that rewrites itself, shown only when standard
// error is a terminal: the live state of a run.
class StatusLine {
public:
    explicit StatusLine(bool wanted);

    bool enabled() const { return m_enabled; }
    void show(const std::string& text);
    // Removes the line, so that other output starts at the line's start.
    void clear();

private:
    bool m_enabled;
    bool m_shown = false;
};

} // namespace cli
