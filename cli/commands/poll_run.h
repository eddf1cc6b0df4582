#pragma once

#include <chrono>
#include <functional>
#include <map>
#include <optional>
#include <string>
#include <vector>

#include <QObject>

#include "cli/output/influx_line.h"
#include "cli/output/poll_listener.h"
#include "cli/output/poll_summary.h"
#include "cli/output/row_output.h"
#include "cli/output/status_line.h"
#include "cli/session.h"
#include "cli/stop_signals.h"
#include "master/bus_poll.h"

namespace cli {

// How often poll --reconnect looks for a lost port at its path: every second.
inline constexpr int kReopenMs = 1000;

struct PollSettings {
    std::vector<int> addresses{1}; // asked in this order, every round
    int registers = 1;
    int intervalMs = 1000;          // the period of a round
    std::optional<long long> count; // rounds
    std::optional<std::chrono::milliseconds> duration;
    std::string format = "csv";       // csv, jsonl, text or influx
    bool header = true;               // false: added to a log that has its header
    std::map<int, std::string> names; // --name, by address
};

// A poll of the modules at `addresses`, round after round (master::BusPoll:
// one exchange at a time, late rounds, back-off). Every turn is written to
// `rows` at once, a skipped one as a row with the outcome "skipped"; a row
// that cannot be written ends the run with status 8. At the end, the
// statistics for each address and in all go to standard error, and with
// jsonl to the rows as well.
class PollRun : public QObject {
    Q_OBJECT
public:
    PollRun(Session& session, const PollSettings& settings, RowOutput& rows,
            QObject* parent = nullptr);

    void start();
    // Told of every turn after its row is written; kept, not owned.
    void addListener(PollListener& listener) { m_listeners.push_back(&listener); }

    // SIGHUP, when set: opens the output again; gives what goes first into
    // the new file (the CSV header when it is empty). Without it SIGHUP acts
    // as usual.
    std::function<std::string()> onHangUp;

private:
    void attempted(const master::Attempt& attempt);
    void turned(const master::Turn& turn);
    void stop();
    void end(std::optional<int> code = std::nullopt);
    std::string summaryText() const;
    bool writeRow(const std::string& text);
    std::string rowText(const Row& row) const;
    std::string statusText(const Session::Exchange& last) const;
    // Outages of the port and the output reopened (poll_long_run.cpp).
    void outage(const QString& reason);
    void countLost(int address, const Session::Exchange& exchange);
    void hangUp();

    Session& m_session;
    PollSettings m_settings;
    RowOutput& m_rows;
    InfluxLines m_influx;
    master::BusPoll m_poll;
    PollSummary m_summary;                // every address
    std::map<int, PollSummary> m_modules; // each address
    StatusLine m_status;
    StopSignals m_signals;
    long long m_exchanges = 0;
    long long m_failed = 0;
    bool m_cutShort = false; // a signal ended the run while a request waited
    std::optional<master::Outcome> m_lastFailure;
    std::vector<PollListener*> m_listeners;
};

} // namespace cli
