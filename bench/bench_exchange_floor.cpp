// The floor under ht5530k-cli poll's CPU per exchange: the system calls the
// CLI makes for each exchange with a module, and nothing else. The input is
// dropped and the request written, the terminal's wake-up count raised to an
// exception's length and lowered to what is still missing, the answer read
// and a row written to a file; a round every MS milliseconds, for S seconds.
// It waits as the CLI does, on Qt's event loop (its own dispatcher, a socket
// notifier and two timers), or with --plain in a bare poll() loop, as mbpoll
// does. Module 1, one register, 19200 baud. bench/bus_bench.py runs both
// beside the CLI and mbpoll.
//
//   bench_exchange_floor DEVICE --interval MS --seconds S --rows FILE [--plain]
//   prints "exchanges N" at the end

#include <algorithm>
#include <array>
#include <chrono>
#include <cstdint>
#include <cstdio>
#include <cstring>
#include <fcntl.h>
#include <poll.h>
#include <termios.h>
#include <unistd.h>

#include <QCoreApplication>
#include <QSocketNotifier>
#include <QTimer>

#include "bench_util.h"

namespace {

constexpr std::array<std::uint8_t, 8> kRequest{0x01, 0x03, 0x00, 0x00, 0x00, 0x01, 0x84, 0x0A};
constexpr int kAnswerLength = 7;    // address, function, count, one register, CRC
constexpr int kExceptionLength = 5; // what is awaited before the function code is known
constexpr int kTimeoutMs = 500;
constexpr char kRow[] = "2026-12-09T00:00:00.000Z,1,ok,6.50,45.00,,01 03 02 11 94 B5 BB\n";

// One module on the line, asked once a round; what the CLI does around it.
class Line {
public:
    Line(int fd, int rows) : m_fd(fd), m_rows(rows) {
        ::tcgetattr(m_fd, &m_mode);
        ::cfmakeraw(&m_mode);
        ::cfsetspeed(&m_mode, B19200);
        wakeAfter(1);
    }
    int fd() const { return m_fd; }
    long exchanges() const { return m_exchanges; }

    void send() {
        std::array<char, 256> stale{};
        [[maybe_unused]] const ssize_t dropped = ::read(m_fd, stale.data(), stale.size());
        ::tcflush(m_fd, TCIFLUSH);
        m_received = 0;
        if (::write(m_fd, kRequest.data(), kRequest.size()) > 0) {
            ++m_exchanges;
        }
        wakeAfter(kExceptionLength);
    }

    // True once the answer is whole (and its row written).
    bool readable() {
        const ssize_t count = ::read(m_fd, m_answer.data() + m_received,
                                     m_answer.size() - static_cast<std::size_t>(m_received));
        if (count > 0) {
            m_received += static_cast<int>(count);
        }
        if (m_received < kAnswerLength) {
            wakeAfter(kAnswerLength - m_received);
            return false;
        }
        if (::write(m_rows, kRow, sizeof kRow - 1) < 0) {
            std::perror("bench_exchange_floor: rows");
        }
        return true;
    }

private:
    void wakeAfter(int bytes) {
        m_mode.c_cc[VMIN] = static_cast<cc_t>(bytes);
        m_mode.c_cc[VTIME] = 0;
        ::tcsetattr(m_fd, TCSANOW, &m_mode);
    }

    int m_fd;
    int m_rows;
    termios m_mode{};
    std::array<char, 256> m_answer{};
    int m_received = 0;
    long m_exchanges = 0;
};

void RunOnQt(Line& line, int intervalMs, double seconds) {
    QSocketNotifier notifier(line.fd(), QSocketNotifier::Read);
    QTimer timeout;
    timeout.setSingleShot(true);
    QTimer round;
    round.setSingleShot(true);
    round.setTimerType(Qt::PreciseTimer);
    const BenchClock::time_point start = BenchClock::now();
    long rounds = 0;
    const auto next = [&] {
        ++rounds;
        const auto due = start + std::chrono::milliseconds(std::int64_t{intervalMs} * rounds);
        const auto wait =
            std::chrono::ceil<std::chrono::milliseconds>(due - BenchClock::now()).count();
        round.start(static_cast<int>(std::max<std::int64_t>(0, wait)));
    };
    const auto send = [&] {
        line.send();
        timeout.start(kTimeoutMs);
    };
    QObject::connect(&round, &QTimer::timeout, send);
    QObject::connect(&timeout, &QTimer::timeout, next);
    QObject::connect(&notifier, &QSocketNotifier::activated, [&] {
        if (line.readable()) {
            timeout.stop();
            next();
        }
    });
    QTimer::singleShot(static_cast<int>(seconds * 1000), QCoreApplication::instance(),
                       &QCoreApplication::quit);
    send();
    QCoreApplication::exec();
}

void RunPlain(Line& line, int intervalMs, double seconds) {
    const BenchClock::time_point start = BenchClock::now();
    const BenchClock::time_point end =
        start + std::chrono::milliseconds(static_cast<std::int64_t>(seconds * 1000));
    // The answer's bytes wake it (forAnswer), or nothing does.
    const auto waitUntil = [&](BenchClock::time_point until, bool forAnswer) {
        for (;;) {
            const auto left =
                std::chrono::ceil<std::chrono::milliseconds>(until - BenchClock::now()).count();
            if (left <= 0) {
                return;
            }
            pollfd ready{line.fd(), POLLIN, 0};
            if (::poll(forAnswer ? &ready : nullptr, forAnswer ? 1 : 0, static_cast<int>(left)) >
                    0 &&
                line.readable()) {
                return;
            }
        }
    };
    for (long rounds = 1; BenchClock::now() < end; ++rounds) {
        line.send();
        waitUntil(BenchClock::now() + std::chrono::milliseconds(kTimeoutMs), true);
        waitUntil(
            std::min(end, start + std::chrono::milliseconds(std::int64_t{intervalMs} * rounds)),
            false);
    }
}

} // namespace

int main(int argc, char** argv) {
    if (argc < 2) {
        std::fputs("usage: bench_exchange_floor DEVICE --interval MS --seconds S --rows FILE "
                   "[--plain]\n",
                   stderr);
        return 2;
    }
    const int intervalMs = static_cast<int>(NumberOption(argc, argv, "--interval", 50));
    const double seconds = NumberOption(argc, argv, "--seconds", 10);
    const char* rowsPath = "/dev/null";
    for (int i = 1; i + 1 < argc; ++i) {
        if (std::strcmp(argv[i], "--rows") == 0) {
            rowsPath = argv[i + 1];
        }
    }
    const int fd = ::open(argv[1], O_RDWR | O_NOCTTY | O_NONBLOCK | O_CLOEXEC);
    const int rows = ::open(rowsPath, O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0644);
    if (fd < 0 || rows < 0) {
        std::perror("bench_exchange_floor");
        return 1;
    }
    Line line(fd, rows);
    if (FlagOption(argc, argv, "--plain")) {
        RunPlain(line, intervalMs, seconds);
    } else {
        // The dispatcher ht5530k-cli runs on.
        if (!qEnvironmentVariableIsSet("QT_NO_GLIB")) {
            qputenv("QT_NO_GLIB", "1");
        }
        QCoreApplication application(argc, argv);
        RunOnQt(line, intervalMs, seconds);
    }
    std::printf("exchanges %ld\n", line.exchanges());
    return 0;
}
