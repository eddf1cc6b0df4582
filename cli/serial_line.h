#pragma once

#include <algorithm>
#include <cstdint>
#include <functional>
#include <optional>
#include <span>
#include <termios.h>
#include <vector>

#include <QElapsedTimer>
#include <QSerialPort>
#include <QString>
#include <QTimer>

#include "cli/frame_trace.h"
#include "cli/response_check.h"
#include "cli/timestamp.h"

namespace cli {

// One request and what came back.
struct Attempt {
    WallClock::time_point sentAt;
    Verdict verdict;
    std::vector<std::uint8_t> received; // every byte that arrived for it
    std::optional<double> responseMs;   // until the answer was whole (or the last byte came)
    // Bytes of earlier requests' answers that came after their time-out and
    // were dropped while this request waited for the line to be quiet.
    std::size_t lateBytesBefore = 0;
    std::span<const std::uint8_t> answer() const {
        return std::span(received).first(std::min(verdict.length, received.size()));
    }
};

// The serial port, 8N1, with one exchange at a time: a request written whole,
// its answer collected as it arrives and judged as soon as it is complete,
// or when the time-out passes. All of it runs on the event loop.
//
// An answer belongs to its own request. After a time-out, the next request
// goes out only once the line has been quiet for as long as that time-out:
// an answer still on its way (a module slower than the time-out) arrives
// meanwhile and is dropped, instead of being taken for the next request's.
class SerialLine : public QObject {
    Q_OBJECT
public:
    using Done = std::function<void(const Attempt&)>;

    explicit SerialLine(const FrameTrace& trace, QObject* parent = nullptr);
    ~SerialLine() override;

    // Opens the device at `baud`; gives the reason for the user when it
    // fails: missing, busy, no permission (with the fix), or the system's.
    std::optional<QString> open(const QString& device, int baud);
    bool setBaud(int baud);

    // Sends `request` and calls `done` once with the outcome, unless the
    // port is lost first. Bytes still waiting from earlier traffic are
    // dropped before the request goes out; after a time-out it first waits
    // for the line to be quiet (above).
    void send(std::span<const std::uint8_t> request, const Expectation& expected, int timeoutMs,
              Done done);

signals:
    // The device vanished (unplugged, or the program behind a
    // pseudo-terminal ended); the port is closed and no exchange ends.
    void lost(const QString& reason);

private:
    void transmit();
    void guardPassed();
    QByteArray drain();
    void bytesArrived();
    void timedOut();
    void complete(const Verdict& verdict, std::optional<double> responseMs);
    void take(const QByteArray& bytes);
    void wakeAfter(std::size_t bytes);
    void errorOccurred(QSerialPort::SerialPortError error);

    const FrameTrace& m_trace;
    QSerialPort m_port;
    QString m_device;
    QString m_node; // the device node opened, links resolved
    QTimer m_timeout;
    QElapsedTimer m_clock;
    // After a time-out: how long the line must stay quiet, since when it
    // has been, and the late bytes dropped meanwhile.
    QTimer m_guard;
    bool m_guarding = false;
    int m_guardMs = 0;
    QElapsedTimer m_quiet;
    std::size_t m_lateBytes = 0;
    std::vector<std::uint8_t> m_request; // waiting for the guard, or under way
    int m_timeoutMs = 0;
    bool m_active = false;
    Expectation m_expected;
    Attempt m_attempt;
    std::optional<double> m_lastByteMs;
    std::size_t m_wakeAfter = 0; // the line's VMIN as last set; 0: m_mode to be read
    termios m_mode{};
    Done m_done;
};

} // namespace cli
