// The parts of a poll that let it run for months: outages of the port
// (--reconnect) and the output file opened again on SIGHUP.
#include "cli/commands/poll_run.h"
#include "cli/output/diagnostics.h"

namespace cli {

// One message for the whole outage; its turns become rows of their own.
void PollRun::outage(const QString& reason) {
    m_status.clear();
    m_summary.addOutage();
    PrintError(reason + QStringLiteral("; until it is back (looked for every second), each "
                                       "turn is a row with the outcome lost"));
}

void PollRun::countLost(int address, const Session::Exchange& exchange) {
    if (exchange.attempt.verdict.outcome == master::Outcome::Lost) {
        m_summary.addLost(exchange.attempts > 0);
        m_modules[address].addLost(exchange.attempts > 0);
    }
}

// Rows already written are in the old file; the next one goes to the new.
void PollRun::hangUp() {
    if (!onHangUp || m_session.finished()) {
        return;
    }
    const std::string first = onHangUp();
    if (!first.empty()) {
        writeRow(first);
    }
}

} // namespace cli
