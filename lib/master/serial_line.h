#pragma once

#include <algorithm>
#include <chrono>
#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <span>
#include <vector>

#include <QObject>
#include <QString>

#include "master/answer_judging.h"
#include "master/clock.h"
#include "master/frame_trace.h"
#include "master/port.h"
#include "master/timestamp.h"

namespace master {

// One request and what came back.
struct Attempt {
    WallClock::time_point sentAt;
    Verdict verdict;
    std::vector<std::uint8_t> received; // every byte that arrived for it
    std::optional<double> responseMs;   // until the answer was whole (or the last byte came)
    // Bytes of earlier requests' answers that came after their time-out and
    // were dropped while this request waited for the line to be quiet.
    std::size_t lateBytesBefore = 0;
    std::span<const std::uint8_t> answer() const {
        return std::span(received).first(std::min(verdict.length, received.size()));
    }
};

// One exchange at a time on a port: a request written whole, its answer
// collected as it arrives and judged as soon as it is complete, or when the
// time-out passes. All of it runs on the event loop.
//
// An answer belongs to its own request. After a time-out, the next request
// goes out only once the line has been quiet for as long as that time-out:
// an answer still on its way (a module slower than the time-out) arrives
// meanwhile and is dropped, instead of being taken for the next request's.
//
// Between the end of an answer (its last byte) and the next request the
// line stays quiet for the gap at least: the 3.5 characters that end a
// Modbus RTU frame at the port's rate, or longer when asked. The wait is
// kept to the nanosecond and rounded up to whole milliseconds by the timer.
class SerialLine : public QObject {
    Q_OBJECT
public:
    using Done = std::function<void(const Attempt&)>;

    SerialLine(Port& port, Clock& clock, const FrameTrace& trace, QObject* parent = nullptr);

    Port& port() { return m_port; }

    // The quiet kept before a request after an answer or a time-out: `gap`,
    // and never less than the line's frame silence at the port's rate.
    void setGap(std::chrono::nanoseconds gap) { m_gap = gap; }
    std::chrono::nanoseconds gap() const;

    // Sends `request` and calls `done` once with the outcome, unless the
    // port is lost first. Bytes still waiting from earlier traffic are
    // dropped before the request goes out; after a time-out it first waits
    // for the line to be quiet (above).
    void send(std::span<const std::uint8_t> request, const Expectation& expected, int timeoutMs,
              Done done);

signals:
    // The device vanished; the port is closed and no exchange ends.
    void lost(const QString& reason);

private:
    void transmit();
    void guardPassed();
    void bytesArrived();
    void timedOut();
    void portLost(const QString& reason);
    void complete(const Verdict& verdict, std::optional<double> responseMs,
                  std::int64_t quietNeededNs);
    void take(const QByteArray& bytes);
    double msSince(std::int64_t ns) const;

    Port& m_port;
    Clock& m_clock;
    const FrameTrace& m_trace;
    std::unique_ptr<Timer> m_timeout;
    std::int64_t m_sentNs = 0;
    // How long the line must stay quiet before the next request, since when
    // it has been (nothing before the first request), and after a time-out
    // the late bytes dropped meanwhile.
    std::unique_ptr<Timer> m_guard;
    std::chrono::nanoseconds m_gap{0};
    std::int64_t m_quietNeededNs = 0;
    std::optional<std::int64_t> m_quietSinceNs;
    bool m_afterTimeout = false;
    std::size_t m_lateBytes = 0;
    std::vector<std::uint8_t> m_request; // waiting for the guard, or under way
    int m_timeoutMs = 0;
    bool m_active = false;
    Expectation m_expected;
    Attempt m_attempt;
    std::optional<double> m_lastByteMs;
    // Judged, and waiting out the time-out (Expectation::untilTimeout).
    std::optional<Verdict> m_judged;
    std::optional<double> m_judgedMs;
    Done m_done;
};

} // namespace master
