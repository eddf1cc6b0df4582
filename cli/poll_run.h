#pragma once

#include <chrono>
#include <functional>
#include <optional>
#include <string>

#include <QObject>
#include <QTimer>

#include "cli/poll_summary.h"
#include "cli/row_output.h"
#include "cli/session.h"
#include "cli/status_line.h"
#include "cli/stop_signals.h"

namespace cli {

// How often poll --reconnect looks for a lost port at its path: every second.
inline constexpr int kReopenMs = 1000;

struct PollSettings {
    int address = 1;
    int registers = 1;
    int intervalMs = 1000;
    std::optional<long long> count;
    std::optional<std::chrono::milliseconds> duration;
    std::string format = "csv"; // csv, jsonl or text
    bool header = true;         // false: added to a log that has its header
};

// Polling on a schedule of ticks `intervalMs` apart from the start. One
// exchange at a time: a request whose tick comes while the one before is
// still waiting goes out when that one ends, and ticks that passed meanwhile
// are skipped. Every exchange is written to `rows` at once; a row that cannot
// be written ends the run with status 8.
class PollRun : public QObject {
    Q_OBJECT
public:
    PollRun(Session& session, const PollSettings& settings, RowOutput& rows,
            QObject* parent = nullptr);

    void start();

    // SIGHUP, when set: opens the output again; gives what goes first into
    // the new file (the CSV header when it is empty). Without it SIGHUP acts
    // as usual.
    std::function<std::string()> onHangUp;

private:
    using Clock = std::chrono::steady_clock;

    void send();
    void exchanged(const Session::Exchange& exchange);
    void scheduleNext();
    void stop();
    void end(std::optional<int> code = std::nullopt);
    bool writeRow(const std::string& text);
    std::string statusText(const Session::Exchange& last) const;
    // Outages of the port and the output reopened (poll_long_run.cpp).
    void outage(const QString& reason);
    void countLost(const Session::Exchange& exchange);
    void hangUp();

    Session& m_session;
    PollSettings m_settings;
    RowOutput& m_rows;
    PollSummary m_summary;
    StatusLine m_status;
    StopSignals m_signals;
    QTimer m_tick;
    Clock::time_point m_start;
    long long m_tickIndex = 0; // the tick of the last request
    long long m_exchanges = 0;
    long long m_failed = 0;
    bool m_waiting = false;  // a request is out, its exchange not ended
    bool m_cutShort = false; // a signal ended the run while one was
    std::optional<master::Outcome> m_lastFailure;
};

} // namespace cli
