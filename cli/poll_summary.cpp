#include "cli/poll_summary.h"

#include <algorithm>
#include <cstdio>

#include "cli/row_format.h"

namespace cli {

void PollSummary::add(master::Outcome outcome, std::optional<double> responseMs) {
    ++m_sent;
    switch (outcome) {
    case master::Outcome::Ok:
        ++m_answered;
        if (responseMs) {
            m_times.push_back(static_cast<float>(*responseMs));
        }
        break;
    case master::Outcome::Timeout:
        ++m_timeouts;
        break;
    case master::Outcome::Crc:
        ++m_crcErrors;
        break;
    case master::Outcome::Exception:
        ++m_exceptions;
        break;
    case master::Outcome::Short:
    case master::Outcome::WrongAddress:
    case master::Outcome::WrongFunction:
        ++m_corrupt;
        break;
    case master::Outcome::Lost:
        break; // counted by addLost()
    }
}

double PollSummary::lossPercent() const {
    return m_sent == 0 ? 0.0 : 100.0 * (m_sent - m_answered) / m_sent;
}

std::optional<double> PollSummary::minMs() const {
    if (m_times.empty()) {
        return std::nullopt;
    }
    return *std::ranges::min_element(m_times);
}

std::optional<double> PollSummary::maxMs() const {
    if (m_times.empty()) {
        return std::nullopt;
    }
    return *std::ranges::max_element(m_times);
}

std::optional<double> PollSummary::medianMs() const {
    if (m_times.empty()) {
        return std::nullopt;
    }
    std::vector<float> sorted = m_times;
    std::ranges::sort(sorted);
    const std::size_t middle = sorted.size() / 2;
    if (sorted.size() % 2 == 1) {
        return sorted[middle];
    }
    return (static_cast<double>(sorted[middle - 1]) + sorted[middle]) / 2.0;
}

std::string PollSummary::text() const {
    char loss[32];
    std::snprintf(loss, sizeof loss, "%.1f%%", lossPercent());
    std::string text = std::to_string(m_sent) + " sent, " + std::to_string(m_answered) +
                       " answered, " + std::to_string(m_timeouts) + " timeouts, " +
                       std::to_string(m_crcErrors) + " CRC errors, " +
                       std::to_string(m_exceptions) + " exceptions, " + std::to_string(m_corrupt) +
                       " other corrupt, " + loss + " loss, " + std::to_string(m_late) + " late (" +
                       std::to_string(m_skipped) + " ticks skipped)\n";
    if (m_interrupted > 0) {
        text += "the last request was interrupted while it waited for its answer\n";
    }
    if (m_times.empty()) {
        text += "no sound answer, no response times\n";
    } else {
        text += "response time min/median/max = " + Milliseconds(*minMs()) + "/" +
                Milliseconds(*medianMs()) + "/" + Milliseconds(*maxMs()) + " ms\n";
    }
    if (m_lateAnswers > 0) {
        text += std::to_string(m_lateAnswers) + " late answer" + (m_lateAnswers == 1 ? "" : "s") +
                " (" + std::to_string(m_lateBytes) +
                " bytes after the time-out) dropped: a longer --timeout may take them\n";
    }
    if (m_outages > 0) {
        text += "the port was lost " + std::to_string(m_outages) +
                (m_outages == 1 ? " time: " : " times: ") + std::to_string(m_lost) + " turn" +
                (m_lost == 1 ? "" : "s") + " lost\n";
    }
    return text;
}

} // namespace cli
