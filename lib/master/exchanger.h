#pragma once

#include <cstdint>
#include <functional>
#include <span>
#include <vector>

#include "master/serial_line.h"

namespace master {

// A request and its outcome after every try.
struct Exchange {
    Attempt attempt; // the last one
    int attempts = 0;
    bool ok() const { return attempt.verdict.outcome == Outcome::Ok; }
};

// Exchanges on a line: a request sent again, up to `retries` more times,
// while it gets no sound answer. An exception is an answer, and is not
// asked again.
class Exchanger {
public:
    using Done = std::function<void(const Exchange&)>;

    Exchanger(SerialLine& line, const FrameTrace& trace, int retries)
        : m_line(line), m_trace(trace), m_retries(retries) {}
    virtual ~Exchanger() = default;
    Exchanger(const Exchanger&) = delete;
    Exchanger& operator=(const Exchanger&) = delete;

    // Calls `done` once with the outcome, unless the port is lost first.
    virtual void exchange(std::span<const std::uint8_t> request, const Expectation& expected,
                          int timeoutMs, Done done);

    // Called for every request sent, with its outcome: for statistics.
    std::function<void(const Attempt&)> onAttempt;

protected:
    SerialLine& m_line;
    const FrameTrace& m_trace;

private:
    void attempt(int number);

    int m_retries;
    std::vector<std::uint8_t> m_request;
    Expectation m_expected;
    int m_timeoutMs = 0;
    Done m_done;
};

} // namespace master
