#include "cli/poll_run.h"

#include "cli/command_support.h"
#include "cli/diagnostics.h"
#include "cli/exit_codes.h"

namespace cli {

PollRun::PollRun(Session& session, const PollSettings& settings, RowOutput& rows, QObject* parent)
    : QObject(parent), m_session(session), m_settings(settings), m_rows(rows),
      m_status(!session.options().verbose) {
    m_tick.setSingleShot(true);
    m_tick.setTimerType(Qt::PreciseTimer);
    connect(&m_tick, &QTimer::timeout, this, &PollRun::send);
    m_session.onAttempt = [this](const master::Attempt& attempt) {
        if (attempt.lateBytesBefore > 0) {
            m_summary.addLateAnswer(attempt.lateBytesBefore);
        }
        m_summary.add(attempt.verdict.outcome, attempt.responseMs);
    };
    m_session.onLost = [this](const QString& reason) {
        m_status.clear();
        PrintError(reason);
        end(kPortError);
    };
    connect(&m_signals, &StopSignals::stopRequested, this, &PollRun::stop);
    connect(&m_signals, &StopSignals::hangUp, this, &PollRun::hangUp);
    m_session.onOutage = [this](const QString& reason) { outage(reason); };
}

void PollRun::start() {
    m_signals.install(static_cast<bool>(onHangUp));
    if (m_settings.format == "csv" && m_settings.header && !writeRow(CsvHeader())) {
        return;
    }
    m_start = Clock::now();
    send();
}

void PollRun::send() {
    m_waiting = true;
    const codec::Request request = master::ReadRequest(m_settings.address, m_settings.registers);
    m_session.exchange(request.bytes,
                       master::RegisterReadExpectation(m_settings.address, m_settings.registers),
                       [this](const Session::Exchange& exchange) { exchanged(exchange); });
}

void PollRun::exchanged(const Session::Exchange& exchange) {
    m_waiting = false;
    ++m_exchanges;
    if (!exchange.ok()) {
        ++m_failed;
        m_lastFailure = exchange.attempt.verdict.outcome;
    }
    countLost(exchange);
    const Row row = RowOf(m_settings.address, exchange, m_settings.registers);
    if (!writeRow(m_settings.format == "jsonl"  ? JsonRow(row)
                  : m_settings.format == "text" ? TextRow(row)
                                                : CsvRow(row))) {
        return;
    }
    if (m_status.enabled()) {
        m_status.show(statusText(exchange));
    }
    if (m_settings.count && m_exchanges >= *m_settings.count) {
        end();
        return;
    }
    scheduleNext();
}

void PollRun::scheduleNext() {
    const auto interval = std::chrono::milliseconds(m_settings.intervalMs);
    const Clock::time_point now = Clock::now();
    const Clock::time_point due = m_start + interval * (m_tickIndex + 1);
    const auto over = [&](Clock::time_point when) {
        return m_settings.duration && when >= m_start + *m_settings.duration;
    };
    if (due > now) {
        if (over(due)) {
            end();
            return;
        }
        ++m_tickIndex;
        m_tick.start(std::chrono::ceil<std::chrono::milliseconds>(due - now));
        return;
    }
    // The exchange outlasted the tick: go now, on the latest tick that passed.
    if (over(now)) {
        end();
        return;
    }
    const long long latest = (now - m_start) / interval;
    m_summary.addLate(static_cast<int>(latest - m_tickIndex - 1));
    m_tickIndex = latest;
    send();
}

// SIGINT or SIGTERM. A request still waiting for its answer was sent and
// got none: it counts, and the run did not end whole.
void PollRun::stop() {
    if (m_waiting && !m_session.finished()) {
        m_summary.addInterrupted();
        m_cutShort = true;
    }
    end();
}

void PollRun::end(std::optional<int> code) {
    if (m_session.finished()) {
        return;
    }
    m_tick.stop();
    m_status.clear();
    const LineChoice& line = m_session.line();
    const QString port = line.port == line.device
                             ? line.port
                             : QStringLiteral("%1 (%2)").arg(line.port, line.device);
    std::fprintf(stderr, "--- %s, address %d, %d baud: poll statistics ---\n%s",
                 port.toLocal8Bit().constData(), m_settings.address, line.baud,
                 m_summary.text().c_str());
    if (!code) {
        code = m_failed == 0            ? kSuccess
               : m_failed < m_exchanges ? kFailedExchanges
                                        : ExitCodeOf(*m_lastFailure);
        if (*code == kSuccess && m_cutShort) {
            code = kFailedExchanges;
        }
    }
    m_session.finish(*code);
}

bool PollRun::writeRow(const std::string& text) {
    m_status.clear();
    if (m_rows.write(text)) {
        return true;
    }
    PrintError(m_rows.error());
    end(kOutputError);
    return false;
}

std::string PollRun::statusText(const Session::Exchange& last) const {
    char loss[16];
    std::snprintf(loss, sizeof loss, "%.1f%%", m_summary.lossPercent());
    std::string text = std::to_string(m_summary.sent()) + " sent, " +
                       std::to_string(m_summary.answered()) + " answered, " + loss + " loss";
    text += ", last " + std::string(master::OutcomeName(last.attempt.verdict.outcome));
    if (last.attempt.responseMs) {
        text += " " + Milliseconds(*last.attempt.responseMs) + " ms";
    }
    return text;
}

} // namespace cli
