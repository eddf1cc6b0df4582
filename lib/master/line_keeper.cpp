#include "master/line_keeper.h"

#include <cstdio>
#include <utility>

namespace master {

LineKeeper::LineKeeper(SerialLine& line, Clock& clock, const FrameTrace& trace, int retries,
                       QObject* parent)
    : QObject(parent), Exchanger(line, trace, retries), m_clock(clock), m_retry(clock.newTimer()),
      m_lostTurn(clock.newTimer()) {
    connect(&m_line, &SerialLine::lost, this, &LineKeeper::lineLost);
    connect(m_retry.get(), &Timer::fired, this, &LineKeeper::reopen);
    connect(m_lostTurn.get(), &Timer::fired, this, [this] { endLost(0); });
}

void LineKeeper::keep(const QString& device, int baud, int retryMs) {
    m_device = device;
    m_baud = baud;
    m_retryMs = retryMs;
}

void LineKeeper::startAway(const QString& reason) {
    m_up = false;
    m_downSinceNs = m_clock.nowNs();
    m_awayReason = reason;
    m_retry->start(m_retryMs);
}

void LineKeeper::exchange(std::span<const std::uint8_t> request, const Expectation& expected,
                          int timeoutMs, Done done) {
    m_done = std::move(done);
    m_askedAt = m_clock.wallNow();
    if (!m_awayReason.isEmpty()) {
        emit down(std::exchange(m_awayReason, {}));
    }
    // A port closed by a loss whose news is still on its way counts as away.
    if (!m_up || !m_line.port().isOpen()) {
        // Ended from the event loop, as every other exchange is.
        m_lostTurn->start(0);
        return;
    }
    m_underWay = true;
    Exchanger::exchange(request, expected, timeoutMs, [this](const Exchange& exchange) {
        m_underWay = false;
        // The callback may ask for the next exchange, which replaces m_done.
        const Done done = std::exchange(m_done, nullptr);
        done(exchange);
    });
}

void LineKeeper::lineLost(const QString& reason) {
    m_up = false;
    m_downSinceNs = m_clock.nowNs();
    m_lastRefusal.clear();
    emit down(reason);
    m_retry->start(m_retryMs);
    // The serial line dropped the exchange under way: its request went out
    // and no answer will come.
    if (m_underWay) {
        m_underWay = false;
        endLost(1);
    }
}

void LineKeeper::reopen() {
    if (const auto refusal = m_line.port().open(m_device, m_baud)) {
        if (*refusal != m_lastRefusal) {
            m_trace.note("reopening: " + refusal->toStdString());
            m_lastRefusal = *refusal;
        }
        m_retry->start(m_retryMs);
        return;
    }
    m_up = true;
    m_awayReason.clear();
    const double outageMs = static_cast<double>(m_clock.nowNs() - m_downSinceNs) / 1e6;
    char text[64];
    std::snprintf(text, sizeof text, "port open again after %.1f s", outageMs / 1000.0);
    m_trace.note(text);
    emit up(outageMs);
}

void LineKeeper::endLost(int attempts) {
    if (!m_done) {
        return;
    }
    Exchange lost;
    lost.attempt.sentAt = m_askedAt;
    lost.attempt.verdict.outcome = Outcome::Lost;
    lost.attempts = attempts;
    const Done done = std::exchange(m_done, nullptr);
    done(lost);
}

} // namespace master
