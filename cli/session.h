#pragma once

#include <chrono>
#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <span>
#include <vector>

#include <QObject>
#include <QString>

#include "cli/options/line_choice.h"
#include "cli/options/line_options.h"
#include "link/settings_location.h"
#include "master/clock.h"
#include "master/device_port.h"
#include "master/exchanger.h"
#include "master/frame_trace.h"
#include "master/line_keeper.h"
#include "master/serial_line.h"

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
    const master::FrameTrace& trace() const { return m_trace; }
    master::Port& port() { return m_port; }
    // What exchanges on the line: the keeper after keepLine().
    master::Exchanger& exchanger() { return m_keeper ? *m_keeper : m_exchanger; }
    master::Clock& clock() { return m_clock; }

    // --gap: the quiet kept after an answer or a time-out before the next
    // request, never less than the line's 3.5 characters.
    void setGap(std::chrono::nanoseconds gap) { m_serial.setGap(gap); }

    using Exchange = master::Exchange;
    using Done = master::Exchanger::Done;

    // The request, sent again up to --retries times while it gets no sound
    // answer (an exception is one). The time-out is --timeout unless given.
    void exchange(std::span<const std::uint8_t> request, const master::Expectation& expected,
                  Done done, std::optional<int> timeoutMs = std::nullopt);

    // Called for every request sent, with its outcome: for statistics.
    std::function<void(const master::Attempt&)> onAttempt;
    // Called when the port is lost; by default the reason is printed and
    // the command ends with status 3.
    std::function<void(const QString&)> onLost;

    // Keeps the port through outages instead (poll --reconnect): onOutage
    // hears of each one once (by default the reason is printed), exchanges
    // end with the outcome Lost while the device is away, and it is opened
    // again at its path, tried every `retryMs`, when it is back. Called
    // before open(): a device missing at the start is then waited for in
    // the same way, and open() succeeds.
    void keepLine(int retryMs);
    std::function<void(const QString&)> onOutage;

    // Ends the command with `code` once control is back in the event loop.
    // The first call decides; later ones are ignored.
    void finish(int code);
    // Runs the event loop until finish(); gives the code.
    int run();
    bool finished() const { return m_finished; }

private:
    void keep();

    LineOptions m_options;
    master::FrameTrace m_trace;
    master::SystemClock m_clock;
    master::DevicePort m_port;
    master::SerialLine m_serial;
    master::Exchanger m_exchanger;
    std::unique_ptr<master::LineKeeper> m_keeper; // opened with keepLine()
    std::optional<int> m_keepRetryMs;
    LineChoice m_line;
    bool m_finished = false;
};

} // namespace cli
