#pragma once

#include <cstddef>
#include <cstdint>
#include <map>
#include <optional>
#include <string>
#include <string_view>

#include "master/answer_judging.h"

namespace cli {

// The line's statistics over a run, request by request (a retry is a
// request of its own), printed at the end like ping's.
class PollSummary {
public:
    void add(master::Outcome outcome, std::optional<double> responseMs);
    // A request that waited for the exchange before it; `skipped` ticks
    // passed meanwhile without a request of their own.
    void addLate(int skipped) {
        ++m_late;
        m_skipped += skipped;
    }

    // A request that a signal ended while it waited: sent, not answered.
    void addInterrupted() {
        ++m_sent;
        ++m_interrupted;
    }

    // The port was lost (poll --reconnect).
    void addOutage() { ++m_outages; }
    // A turn that the port's loss ended: `sent` when its request had gone
    // out (sent, not answered), else a turn without a request.
    void addLost(bool sent) {
        ++m_lost;
        m_sent += sent ? 1 : 0;
    }
    // A turn without a request: the module was backed off.
    void addSkippedTurn() { ++m_skippedTurns; }

    // Bytes that came after their request's time-out, dropped before the
    // next request: one late answer.
    void addLateAnswer(std::size_t bytes) {
        ++m_lateAnswers;
        m_lateBytes += bytes;
    }

    int sent() const { return m_sent; }
    int answered() const { return m_answered; }
    int timeouts() const { return m_timeouts; }
    int crcErrors() const { return m_crcErrors; }
    int exceptions() const { return m_exceptions; }
    int corrupt() const { return m_corrupt; } // short, wrong address or function
    int interrupted() const { return m_interrupted; }
    int late() const { return m_late; }
    int skipped() const { return m_skipped; }
    int lateAnswers() const { return m_lateAnswers; }
    int outages() const { return m_outages; }
    int lost() const { return m_lost; }
    int skippedTurns() const { return m_skippedTurns; }
    // Requests without a sound answer, in % of those sent; 0 when none was sent.
    double lossPercent() const;
    // Response times of the sound answers; nothing when there was none.
    std::optional<double> minMs() const;
    std::optional<double> medianMs() const;
    std::optional<double> maxMs() const;

    // Two lines: the counts, then the response times (or that there were
    // none); between them one for a request interrupted, then one on the
    // answers that came too late and one on the outages of the port, when
    // there were some.
    std::string text() const;
    // One line for one module of several: sent, answered, loss, response
    // times, the turns skipped while it was backed off and those lost with
    // the port.
    std::string moduleText() const;
    // The same counts as one JSON object on one line, with "summary" set to
    // `kind` ("address" with the key address, or "total").
    std::string json(std::string_view kind, std::optional<int> address) const;

private:
    int m_sent = 0;
    int m_answered = 0;
    int m_timeouts = 0;
    int m_crcErrors = 0;
    int m_exceptions = 0;
    int m_corrupt = 0;
    int m_interrupted = 0;
    int m_late = 0;
    int m_skipped = 0;
    int m_lateAnswers = 0;
    std::size_t m_lateBytes = 0;
    int m_outages = 0;
    int m_lost = 0;
    int m_skippedTurns = 0;
    // Response times in hundredths of a millisecond (as the rows print
    // them), and how often each came: memory grows with the times seen, not
    // with the length of the run.
    std::map<std::int64_t, long long> m_times;
    long long m_timed = 0;
    std::optional<double> timeAtRank(long long rank) const;
};

} // namespace cli
