#pragma once

#include <cstdint>
#include <functional>
#include <optional>
#include <span>
#include <vector>

#include <QObject>
#include <QString>

#include "cli/frame_trace.h"
#include "cli/line_choice.h"
#include "cli/line_options.h"
#include "cli/serial_line.h"
#include "link/settings_location.h"

namespace cli {

// What a command works with: the line its options name, opened, and
// exchanges on it with the time-out and retries of the options. The command
// runs on the event loop until it calls finish().
class Session : public QObject {
    Q_OBJECT
public:
    explicit Session(const LineOptions& options, QObject* parent = nullptr);

    // Chooses and opens the line; says why not on standard error and gives
    // the exit status: usage when comm.set cannot give the port or rate, a
    // port error when the port cannot be opened; kSuccess when open. With
    // --verbose, prints the port, device and line settings. A command that
    // sets the rate itself gives the first one: comm.set's is not needed.
    int open(std::optional<int> commandRate = std::nullopt);

    const LineOptions& options() const { return m_options; }
    const LineChoice& line() const { return m_line; }
    const FrameTrace& trace() const { return m_trace; }
    SerialLine& serial() { return m_serial; }

    struct Exchange {
        Attempt attempt; // the last one
        int attempts = 0;
        bool ok() const { return attempt.verdict.outcome == Outcome::Ok; }
    };
    using Done = std::function<void(const Exchange&)>;

    // The request, sent again up to --retries times while it gets no sound
    // answer (an exception is one). The time-out is --timeout unless given.
    void exchange(std::span<const std::uint8_t> request, const Expectation& expected, Done done,
                  std::optional<int> timeoutMs = std::nullopt);

    // Called for every request sent, with its outcome: for statistics.
    std::function<void(const Attempt&)> onAttempt;
    // Called when the port is lost; by default the reason is printed and
    // the command ends with status 3.
    std::function<void(const QString&)> onLost;

    // Ends the command with `code` once control is back in the event loop.
    // The first call decides; later ones are ignored.
    void finish(int code);
    // Runs the event loop until finish(); gives the code.
    int run();
    bool finished() const { return m_finished; }

private:
    void attempt(int number);

    LineOptions m_options;
    FrameTrace m_trace;
    SerialLine m_serial;
    LineChoice m_line;
    bool m_finished = false;

    std::vector<std::uint8_t> m_request;
    Expectation m_expected;
    Done m_done;
    int m_timeoutMs = 0;
};

} // namespace cli
