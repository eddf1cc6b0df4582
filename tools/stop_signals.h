#pragma once

#include <string>

namespace sim {

// SIGINT, SIGTERM and SIGHUP ask the program to stop. The handler only writes
// to a pipe that the event loop polls, so the loop wakes at once and cleans up
// (the device link above all) outside the handler.
class StopSignals {
public:
    StopSignals() = default;
    ~StopSignals();
    StopSignals(const StopSignals&) = delete;
    StopSignals& operator=(const StopSignals&) = delete;

    // Gives the error text, empty on success.
    std::string Install();
    int Fd() const { return m_read; }
    // Whether a stop was asked for; empties the pipe.
    bool Triggered();

private:
    int m_read = -1;
};

} // namespace sim
