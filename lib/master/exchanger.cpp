#include "master/exchanger.h"

#include <string>

namespace master {

void Exchanger::exchange(std::span<const std::uint8_t> request, const Expectation& expected,
                         int timeoutMs, Done done) {
    m_request.assign(request.begin(), request.end());
    m_expected = expected;
    m_timeoutMs = timeoutMs;
    m_done = std::move(done);
    attempt(1);
}

void Exchanger::attempt(int number) {
    m_line.send(m_request, m_expected, m_timeoutMs, [this, number](const Attempt& result) {
        if (onAttempt) {
            onAttempt(result);
        }
        const Outcome outcome = result.verdict.outcome;
        if (outcome != Outcome::Ok && outcome != Outcome::Exception && number <= m_retries) {
            m_trace.note("retry " + std::to_string(number) + " of " + std::to_string(m_retries) +
                         " after " + std::string(OutcomeName(outcome)));
            attempt(number + 1);
            return;
        }
        // The callback may start the next exchange, which replaces m_done.
        const Done done = std::move(m_done);
        done(Exchange{result, number});
    });
}

} // namespace master
