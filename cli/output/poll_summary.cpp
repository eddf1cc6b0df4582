#include "cli/output/poll_summary.h"

#include <cmath>
#include <cstdio>

#include "cli/output/row_format.h"

namespace cli {

void PollSummary::add(master::Outcome outcome, std::optional<double> responseMs) {
    ++m_sent;
    switch (outcome) {
    case master::Outcome::Ok:
        ++m_answered;
        if (responseMs) {
            ++m_times[std::llround(*responseMs * 100.0)];
            ++m_timed;
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

std::optional<double> PollSummary::timeAtRank(long long rank) const {
    for (const auto& [hundredths, count] : m_times) {
        if (rank < count) {
            return static_cast<double>(hundredths) / 100.0;
        }
        rank -= count;
    }
    return std::nullopt;
}

std::optional<double> PollSummary::minMs() const {
    return timeAtRank(0);
}

std::optional<double> PollSummary::maxMs() const {
    return timeAtRank(m_timed - 1);
}

std::optional<double> PollSummary::medianMs() const {
    if (m_timed == 0) {
        return std::nullopt;
    }
    const long long middle = m_timed / 2;
    if (m_timed % 2 == 1) {
        return timeAtRank(middle);
    }
    return (*timeAtRank(middle - 1) + *timeAtRank(middle)) / 2.0;
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

std::string PollSummary::moduleText() const {
    char loss[32];
    std::snprintf(loss, sizeof loss, "%.1f%%", lossPercent());
    std::string text = std::to_string(m_sent) + " sent, " + std::to_string(m_answered) +
                       " answered, " + loss + " loss, ";
    text += m_times.empty() ? std::string("no response time")
                            : "response time min/median/max = " + Milliseconds(*minMs()) + "/" +
                                  Milliseconds(*medianMs()) + "/" + Milliseconds(*maxMs()) + " ms";
    if (m_skippedTurns > 0) {
        text += ", " + std::to_string(m_skippedTurns) + " turns skipped (backed off)";
    }
    if (m_lost > 0) {
        text += ", " + std::to_string(m_lost) + " turns lost";
    }
    return text;
}

std::string PollSummary::json(std::string_view kind, std::optional<int> address) const {
    const auto number = [](std::string_view key, long long value) {
        return ",\"" + std::string(key) + "\":" + std::to_string(value);
    };
    const auto time = [](std::string_view key, std::optional<double> ms) {
        return ",\"" + std::string(key) + "\":" + (ms ? Milliseconds(*ms) : std::string("null"));
    };
    char loss[32];
    std::snprintf(loss, sizeof loss, "%.1f", lossPercent());
    std::string text = "{\"summary\":\"" + std::string(kind) + "\"";
    if (address) {
        text += number("address", *address);
    }
    text += number("sent", m_sent) + number("answered", m_answered) +
            number("timeouts", m_timeouts) + number("crc_errors", m_crcErrors) +
            number("exceptions", m_exceptions) + number("other_corrupt", m_corrupt) +
            ",\"loss_percent\":" + loss + time("response_ms_min", minMs()) +
            time("response_ms_median", medianMs()) + time("response_ms_max", maxMs()) +
            number("skipped_turns", m_skippedTurns) + number("lost_turns", m_lost);
    if (!address) {
        text += number("late", m_late) + number("ticks_skipped", m_skipped) +
                number("interrupted", m_interrupted) + number("late_answers", m_lateAnswers);
    }
    return text + "}\n";
}

} // namespace cli
