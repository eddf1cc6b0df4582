#include "master/serial_line.h"

#include <algorithm>

#include "codec/frame_silence.h"

namespace master {

SerialLine::SerialLine(Port& port, Clock& clock, const FrameTrace& trace, QObject* parent)
    : QObject(parent), m_port(port), m_clock(clock), m_trace(trace), m_timeout(clock.newTimer()),
      m_guard(clock.newTimer()) {
    connect(m_timeout.get(), &Timer::fired, this, &SerialLine::timedOut);
    connect(m_guard.get(), &Timer::fired, this, &SerialLine::guardPassed);
    connect(&m_port, &Port::readable, this, &SerialLine::bytesArrived);
    connect(&m_port, &Port::lost, this, &SerialLine::portLost);
}

double SerialLine::msSince(std::int64_t ns) const {
    return static_cast<double>(m_clock.nowNs() - ns) / 1e6;
}

void SerialLine::send(std::span<const std::uint8_t> request, const Expectation& expected,
                      int timeoutMs, Done done) {
    if (!m_port.isOpen()) {
        return; // lost: the owner has heard of it
    }
    m_request.assign(request.begin(), request.end());
    m_expected = expected;
    m_timeoutMs = timeoutMs;
    m_done = std::move(done);
    guardPassed();
}

std::chrono::nanoseconds SerialLine::gap() const {
    return std::max(m_gap, codec::FrameSilence(m_port.baud()));
}

void SerialLine::guardPassed() {
    if (!m_port.isOpen()) {
        return;
    }
    if (m_quietSinceNs) {
        // Bytes that came meanwhile made the line quiet for a shorter while.
        const std::int64_t quietNs = m_clock.nowNs() - *m_quietSinceNs;
        if (quietNs < m_quietNeededNs) {
            constexpr std::int64_t kNsPerMs = 1'000'000;
            m_guard->start(static_cast<int>((m_quietNeededNs - quietNs + kNsPerMs - 1) / kNsPerMs));
            return;
        }
    }
    transmit();
}

void SerialLine::transmit() {
    // Earlier traffic still waiting is dropped; after a time-out it is late,
    // and counted first.
    std::size_t late = 0;
    if (m_afterTimeout) {
        late = m_lateBytes + static_cast<std::size_t>(m_port.drain().size());
    }
    m_port.discardInput();
    // A new attempt in the old one's buffer: no allocation for each answer.
    std::vector<std::uint8_t> received = std::move(m_attempt.received);
    received.clear();
    m_attempt = Attempt{};
    m_attempt.received = std::move(received);
    m_attempt.lateBytesBefore = late;
    if (late > 0) {
        m_trace.note("dropped " + std::to_string(late) + " bytes that came after the time-out");
    }
    m_afterTimeout = false;
    m_lateBytes = 0;
    m_lastByteMs.reset();
    m_judged.reset();
    m_active = true;
    m_attempt.sentAt = m_clock.wallNow();
    m_trace.sent(m_request);
    m_port.write(m_request);
    m_sentNs = m_clock.nowNs();
    m_timeout->start(m_timeoutMs);
    m_port.wakeAfter(BytesStillAwaited(m_expected, m_attempt.received));
}

void SerialLine::bytesArrived() {
    const QByteArray bytes = m_port.read();
    if (!m_active) {
        if (!bytes.isEmpty()) {
            // Dropped, and the line not yet quiet; after a time-out, a late answer.
            m_quietSinceNs = m_clock.nowNs();
            if (m_afterTimeout) {
                m_lateBytes += static_cast<std::size_t>(bytes.size());
            }
        }
        return;
    }
    take(bytes);
    if (m_judged) {
        return; // more after the answer: kept until the time-out
    }
    if (const auto verdict = JudgeSoFar(m_expected, m_attempt.received)) {
        if (m_expected.untilTimeout) {
            m_judged = verdict;
            m_judgedMs = m_lastByteMs;
            m_port.wakeAfter(1);
            return;
        }
        complete(*verdict, m_lastByteMs, gap().count());
        return;
    }
    m_port.wakeAfter(BytesStillAwaited(m_expected, m_attempt.received));
}

void SerialLine::timedOut() {
    if (!m_active || !m_port.isOpen()) {
        return;
    }
    take(m_port.drain());
    if (m_judged) {
        complete(*m_judged, m_judgedMs, gap().count());
        return;
    }
    m_afterTimeout = true;
    // Nothing below the wake-up count may hide a late answer's first bytes now.
    m_port.wakeAfter(1);
    const std::int64_t timeoutNs = std::int64_t{m_timeoutMs} * 1'000'000;
    complete(JudgeAtTimeout(m_expected, m_attempt.received), m_lastByteMs,
             std::max(timeoutNs, gap().count()));
}

void SerialLine::take(const QByteArray& bytes) {
    if (bytes.isEmpty()) {
        return;
    }
    m_attempt.received.insert(m_attempt.received.end(), bytes.begin(), bytes.end());
    m_lastByteMs = msSince(m_sentNs);
}

void SerialLine::complete(const Verdict& verdict, std::optional<double> responseMs,
                          std::int64_t quietNeededNs) {
    m_timeout->stop();
    m_active = false;
    // Before the outcome is given: its callback may send the next request.
    m_quietSinceNs = m_clock.nowNs();
    m_quietNeededNs = quietNeededNs;
    m_attempt.verdict = verdict;
    m_attempt.responseMs = responseMs;
    m_trace.received(m_attempt.received);
    // The callback may send the next request, which replaces m_done.
    const Done done = std::move(m_done);
    done(m_attempt);
}

void SerialLine::portLost(const QString& reason) {
    m_timeout->stop();
    m_guard->stop();
    m_active = false;
    m_afterTimeout = false;
    m_quietSinceNs.reset();
    m_done = nullptr;
    emit lost(reason);
}

} // namespace master
