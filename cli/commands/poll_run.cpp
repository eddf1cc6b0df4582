#include "cli/commands/poll_run.h"

#include "cli/commands/command_support.h"
#include "cli/output/diagnostics.h"
#include "cli/output/exit_codes.h"
#include "master/timestamp.h"

namespace cli {

namespace {

// The addresses as a list in their shortest form: "1-4,7,9".
std::string AddressesText(const std::vector<int>& addresses) {
    std::string text;
    std::size_t i = 0;
    while (i < addresses.size()) {
        std::size_t last = i;
        while (last + 1 < addresses.size() && addresses[last + 1] == addresses[last] + 1) {
            ++last;
        }
        text += (text.empty() ? "" : ",") + std::to_string(addresses[i]);
        if (last - i >= 2) {
            text += '-' + std::to_string(addresses[last]);
            i = last + 1;
        } else {
            ++i;
        }
    }
    return text;
}

master::BusPollPlan PlanOf(const PollSettings& settings, int timeoutMs) {
    master::BusPollPlan plan;
    plan.addresses = settings.addresses;
    plan.registers = settings.registers;
    plan.intervalMs = settings.intervalMs;
    plan.timeoutMs = timeoutMs;
    plan.rounds = settings.count;
    plan.duration = settings.duration;
    return plan;
}

} // namespace

PollRun::PollRun(Session& session, const PollSettings& settings, RowOutput& rows, QObject* parent)
    : QObject(parent), m_session(session), m_settings(settings), m_rows(rows),
      m_influx(session.line().port.toStdString()),
      m_poll(session.exchanger(), session.clock(), PlanOf(settings, session.options().timeoutMs)),
      m_status(!session.options().verbose) {
    for (const int address : m_settings.addresses) {
        m_modules[address];
    }
    m_session.onAttempt = [this](const master::Attempt& attempt) { attempted(attempt); };
    // The port lost ends the run, unless the session keeps the line
    // (--reconnect): its exchanges then end as lost turns, rows of their own.
    m_session.onLost = [this](const QString& reason) {
        m_status.clear();
        PrintError(reason);
        end(kPortError);
    };
    m_poll.onTurn = [this](const master::Turn& turn) { turned(turn); };
    m_poll.onLate = [this](long long skipped) { m_summary.addLate(static_cast<int>(skipped)); };
    m_poll.onFinished = [this] { end(); };
    connect(&m_signals, &StopSignals::stopRequested, this, &PollRun::stop);
    connect(&m_signals, &StopSignals::hangUp, this, &PollRun::hangUp);
    m_session.onOutage = [this](const QString& reason) { outage(reason); };
}

void PollRun::start() {
    m_signals.install(static_cast<bool>(onHangUp));
    if (m_settings.format == "csv" && m_settings.header && !writeRow(CsvHeader())) {
        return;
    }
    m_poll.start();
}

void PollRun::attempted(const master::Attempt& attempt) {
    for (PollSummary* summary : {&m_summary, &m_modules[m_poll.address()]}) {
        if (attempt.lateBytesBefore > 0) {
            summary->addLateAnswer(attempt.lateBytesBefore);
        }
        summary->add(attempt.verdict.outcome, attempt.responseMs);
    }
}

void PollRun::turned(const master::Turn& turn) {
    Row row;
    if (turn.exchange) {
        const Session::Exchange& exchange = *turn.exchange;
        ++m_exchanges;
        if (!exchange.ok()) {
            ++m_failed;
            m_lastFailure = exchange.attempt.verdict.outcome;
        }
        countLost(turn.address, exchange);
        row = RowOf(turn.address, exchange, m_settings.registers);
    } else {
        m_summary.addSkippedTurn();
        m_modules[turn.address].addSkippedTurn();
        row.at = m_session.clock().wallNow();
        row.time = master::Timestamp(row.at);
        row.address = turn.address;
        row.missed = "skipped";
    }
    if (const auto name = m_settings.names.find(turn.address); name != m_settings.names.end()) {
        row.name = name->second;
    }
    if (!writeRow(rowText(row))) {
        return;
    }
    const bool answering =
        turn.answering &&
        !(turn.exchange && turn.exchange->attempt.verdict.outcome == master::Outcome::Lost);
    for (PollListener* listener : m_listeners) {
        listener->turned(row, answering);
    }
    if (m_status.enabled() && turn.exchange) {
        m_status.show(statusText(*turn.exchange));
    }
}

// SIGINT or SIGTERM. A request still waiting for its answer was sent and
// got none: it counts, and the run did not end whole.
void PollRun::stop() {
    if (m_poll.waiting() && !m_session.finished()) {
        m_summary.addInterrupted();
        m_modules[m_poll.address()].addInterrupted();
        m_cutShort = true;
    }
    end();
}

std::string PollRun::summaryText() const {
    const LineChoice& line = m_session.line();
    const QString port = line.port == line.device
                             ? line.port
                             : QStringLiteral("%1 (%2)").arg(line.port, line.device);
    const bool several = m_settings.addresses.size() > 1;
    std::string text = "--- " + port.toLocal8Bit().toStdString() +
                       (several ? ", addresses " : ", address ") +
                       AddressesText(m_settings.addresses) + ", " + std::to_string(line.baud) +
                       " baud: poll statistics ---\n";
    if (!several) {
        return text + m_summary.text();
    }
    for (const int address : m_settings.addresses) {
        text +=
            "address " + std::to_string(address) + ": " + m_modules.at(address).moduleText() + "\n";
    }
    return text + "total: " + m_summary.text();
}

void PollRun::end(std::optional<int> code) {
    if (m_session.finished()) {
        return;
    }
    m_poll.stop();
    m_status.clear();
    std::fputs(summaryText().c_str(), stderr);
    if (!code) {
        code = m_failed == 0            ? kSuccess
               : m_failed < m_exchanges ? kFailedExchanges
                                        : ExitCodeOf(*m_lastFailure);
        if (*code == kSuccess && m_cutShort) {
            code = kFailedExchanges;
        }
    }
    if (m_settings.format == "jsonl" && *code != kOutputError) {
        std::string records;
        for (const int address : m_settings.addresses) {
            records += m_modules.at(address).json("address", address);
        }
        records += m_summary.json("total", std::nullopt);
        if (!m_rows.write(records)) {
            PrintError(m_rows.error());
            code = kOutputError;
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

std::string PollRun::rowText(const Row& row) const {
    const std::string& format = m_settings.format;
    return format == "jsonl"    ? JsonRow(row)
           : format == "text"   ? TextRow(row)
           : format == "influx" ? m_influx.line(row)
                                : CsvRow(row);
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
