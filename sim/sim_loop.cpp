#include "sim/sim_loop.h"

#include <algorithm>
#include <cerrno>
#include <chrono>
#include <climits>
#include <csignal>
#include <cstdio>
#include <cstring>
#include <optional>
#include <poll.h>
#include <random>
#include <string>
#include <unistd.h>

#include "codec/protocol.h"
#include "signal_pipe/signal_pipe.h"
#include "sim/bus.h"
#include "sim/faults.h"
#include "sim/frame_log.h"
#include "sim/line_speed.h"
#include "sim/line_timing.h"
#include "sim/pty_device.h"
#include "sim/request_framer.h"
#include "sim/transmitter.h"

namespace sim {

namespace {

using Clock = std::chrono::steady_clock;

constexpr std::size_t kReadChunk = 4096;
constexpr std::size_t kGarbageChunk = 4096;

class Simulator {
public:
    Simulator(const Options& options, const PtyDevice& device, FrameLog& log,
              Clock::time_point now);
    int Run(signal_pipe::SignalPipe& stop);

private:
    std::optional<Clock::time_point> NextDeadline(Clock::time_point now);
    bool WantsToWrite(Clock::time_point now);
    // False when the device failed.
    bool Receive(Clock::time_point now);
    void HandleFrame(Clock::time_point now);
    void Transmit(Clock::time_point now);
    void SendGarbage(Clock::time_point now);

    int m_master;
    int m_slave;
    long m_baud;
    FrameLog& m_log;
    Bus m_bus;
    Transmitter m_transmitter;
    GarbageSource m_garbage;
    RequestFramer m_framer;
    // The client's line rate when the frame being collected began, and the
    // silence that ends a frame at that rate.
    long m_lineBaud = 0;
    Clock::duration m_silence;
    Clock::time_point m_lastReceived;
    std::optional<Clock::time_point> m_unplugAt;
};

Transmitter::Pacing PacingOf(const Options& options) {
    Transmitter::Pacing pacing;
    pacing.baud = options.baud;
    pacing.turnaround = std::chrono::milliseconds(options.delayMs);
    pacing.gap = std::chrono::milliseconds(options.faults.splitMs);
    return pacing;
}

Simulator::Simulator(const Options& options, const PtyDevice& device, FrameLog& log,
                     Clock::time_point now)
    : m_master(device.Master()), m_slave(device.Slave()), m_baud(options.baud), m_log(log),
      m_bus(options, now), m_transmitter(PacingOf(options)),
      m_garbage(options.faults.garbagePerSecond, options.seed.value_or(0) + 2, now),
      m_silence(FrameSilence(0)), m_lastReceived(now) {
    if (options.faults.unplugAfterSeconds) {
        const std::chrono::duration<double> after(*options.faults.unplugAfterSeconds);
        m_unplugAt = now + std::chrono::ceil<Clock::duration>(after);
    }
}

int Simulator::Run(signal_pipe::SignalPipe& stop) {
    for (;;) {
        Clock::time_point now = Clock::now();
        if (m_unplugAt && now >= *m_unplugAt) {
            return 0;
        }
        int timeout = -1;
        if (const auto deadline = NextDeadline(now)) {
            const auto wait = std::chrono::ceil<std::chrono::milliseconds>(*deadline - now);
            timeout = static_cast<int>(std::clamp<std::int64_t>(wait.count(), 0, INT_MAX));
        }
        pollfd fds[2] = {{m_master, POLLIN, 0}, {stop.Fd(), POLLIN, 0}};
        if (WantsToWrite(now)) {
            fds[0].events |= POLLOUT;
        }
        if (::poll(fds, 2, timeout) < 0 && errno != EINTR) {
            std::fprintf(stderr, "ht5530k-sim: poll failed: %s\n", std::strerror(errno));
            return 1;
        }
        if (fds[1].revents != 0 && !stop.Take().empty()) {
            return 0;
        }
        now = Clock::now();
        // A frame whose silence has passed ends before new bytes are read:
        // they began after it, even when the wake-up came late.
        if (m_framer.Collecting() && now - m_lastReceived >= m_silence) {
            HandleFrame(now);
        }
        if ((fds[0].revents & (POLLIN | POLLHUP | POLLERR)) != 0 && !Receive(now)) {
            return 1;
        }
        Transmit(now);
        if ((fds[0].revents & POLLOUT) != 0) {
            SendGarbage(now);
        }
    }
}

// The earliest moment something must happen that no descriptor will announce.
std::optional<Clock::time_point> Simulator::NextDeadline(Clock::time_point now) {
    std::optional<Clock::time_point> deadline = m_unplugAt;
    const auto consider = [&](std::optional<Clock::time_point> when) {
        if (when && *when > now && (!deadline || *when < *deadline)) {
            deadline = when;
        }
    };
    if (m_framer.Collecting()) {
        // A frame whose silence passed while this process was kept from
        // running is due now: no wait, or it would sit until the next byte.
        const Clock::time_point end = m_lastReceived + m_silence;
        if (end <= now) {
            return now;
        }
        consider(end);
    }
    consider(m_transmitter.NextDue());
    if (m_transmitter.Idle()) {
        consider(m_garbage.NextDue(now));
    }
    return deadline;
}

// Bytes already due wait only for room in the pseudo-terminal.
bool Simulator::WantsToWrite(Clock::time_point now) {
    if (const auto due = m_transmitter.NextDue()) {
        return *due <= now;
    }
    const auto garbage = m_garbage.NextDue(now);
    return garbage && *garbage <= now;
}

bool Simulator::Receive(Clock::time_point now) {
    std::uint8_t buffer[kReadChunk];
    for (;;) {
        const ssize_t count = ::read(m_master, buffer, sizeof buffer);
        if (count > 0) {
            if (!m_framer.Collecting()) {
                // The client may change its rate between frames (a baud scan).
                m_lineBaud = LineBaud(m_slave);
                m_silence = FrameSilence(m_lineBaud);
            }
            m_framer.Push(std::span(buffer, static_cast<std::size_t>(count)));
            m_lastReceived = now;
            continue;
        }
        if (count < 0 && errno == EINTR) {
            continue;
        }
        if (count < 0 && (errno == EAGAIN || errno == EWOULDBLOCK)) {
            break;
        }
        std::fprintf(stderr, "ht5530k-sim: the pseudo-terminal failed: %s\n",
                     count < 0 ? std::strerror(errno) : "end of file");
        return false;
    }
    return true;
}

void Simulator::HandleFrame(Clock::time_point now) {
    const ReceivedFrame frame = m_framer.Take();
    if (frame.overlong || !codec::CrcMatches(frame.bytes)) {
        m_log.Write("rx", frame.bytes, "discarded");
        return;
    }
    if (!HearsLine(m_baud, m_lineBaud)) {
        // On a real line these bytes would be garbage at the module's rate.
        m_log.Write("rx", frame.bytes,
                    "discarded: line at " + std::to_string(m_lineBaud) + " baud, module at " +
                        std::to_string(m_baud));
        return;
    }
    Bus::Reply reply = m_bus.Answer(frame.bytes, now);
    m_log.Write("rx", frame.bytes,
                reply.answers > 1
                    ? std::to_string(reply.answers) + " modules answer at once: a collision"
                    : std::string());
    m_transmitter.Queue(reply.bytes, now);
}

void Simulator::Transmit(Clock::time_point now) {
    const std::vector<std::uint8_t> due = m_transmitter.Due(now);
    if (due.empty()) {
        return;
    }
    const ssize_t written = ::write(m_master, due.data(), due.size());
    if (written <= 0) {
        return; // no room yet; poll says when there is
    }
    for (const auto& frame : m_transmitter.Sent(static_cast<std::size_t>(written))) {
        m_log.Write("tx", frame);
    }
}

// Noise goes only between responses, never inside one.
void Simulator::SendGarbage(Clock::time_point now) {
    if (!m_transmitter.Idle()) {
        return;
    }
    const std::vector<std::uint8_t> bytes = m_garbage.Take(now, kGarbageChunk);
    if (!bytes.empty()) {
        // What does not fit is dropped: noise need not arrive complete.
        [[maybe_unused]] const ssize_t written = ::write(m_master, bytes.data(), bytes.size());
    }
}

int Fail(const std::string& error) {
    std::fprintf(stderr, "ht5530k-sim: %s\n", error.c_str());
    return 1;
}

} // namespace

int RunSimulator(const Options& options) {
    Options effective = options;
    if (!effective.seed) {
        effective.seed = std::random_device{}();
    }
    signal_pipe::SignalPipe stop;
    if (const std::string error = stop.Install({SIGINT, SIGTERM, SIGHUP}); !error.empty()) {
        return Fail(error);
    }
    // Nothing here writes to a pipe or socket, but a log on a closed pipe must
    // not kill the program before it cleans up.
    std::signal(SIGPIPE, SIG_IGN);
    FrameLog log;
    if (!options.logPath.empty()) {
        if (const std::string error = log.Open(options.logPath); !error.empty()) {
            return Fail(error);
        }
    }
    PtyDevice device;
    if (const std::string error = device.Open(); !error.empty()) {
        return Fail(error);
    }
    // The link exists before the path is announced, so a client may use either at once.
    DeviceLink link;
    if (!options.linkPath.empty()) {
        if (const std::string error = link.Create(options.linkPath, device.Path());
            !error.empty()) {
            return Fail(error);
        }
    }
    std::printf("%s\n", device.Path().c_str());
    std::fflush(stdout);

    Simulator simulator(effective, device, log, Clock::now());
    const int status = simulator.Run(stop);
    device.Close();
    return status;
}

} // namespace sim
