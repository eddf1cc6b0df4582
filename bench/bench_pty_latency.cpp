// Latency from the last response byte written at the far end of a
// pseudo-terminal to the value box holding the new text: the real serial-port
// layer and window in this process, a responder thread on the master side.
//
//   bench_pty_latency [--exchanges N]   measured exchanges (default 500)

#include <atomic>
#include <cstdio>
#include <fcntl.h>
#include <poll.h>
#include <termios.h>
#include <thread>
#include <unistd.h>

#include <QApplication>
#include <QFile>
#include <QTemporaryDir>
#include <QTimer>

#include "app/frmMain.h"
#include "bench_util.h"
#include "codec/protocol.h"
#include "link/qt_comm_control.h"
#include "support/recording_message_boxes.h"
#include "ui_frmMain.h"

namespace {

// Reads exactly `size` bytes; false when stopped or the line failed.
bool ReadExactly(int fd, std::uint8_t* into, std::size_t size, const std::atomic<bool>& stop) {
    std::size_t got = 0;
    while (got < size && !stop) {
        pollfd watch{fd, POLLIN, 0};
        if (poll(&watch, 1, 100) <= 0) {
            continue;
        }
        const ssize_t n = read(fd, into + got, size - got);
        if (n < 0 && errno != EAGAIN && errno != EINTR && errno != EIO) {
            return false;
        }
        got += n > 0 ? static_cast<std::size_t>(n) : 0;
    }
    return got == size;
}

// The module's side: answers every 8-byte register read with its register
// count of readings, value 4000 + the exchange number's parity so that the
// shown text changes each time, and notes when each answer was written.
void Respond(int master, std::vector<BenchClock::time_point>& written,
             const std::atomic<bool>& stop) {
    std::uint8_t request[8];
    for (std::uint16_t exchange = 0; ReadExactly(master, request, sizeof request, stop);
         ++exchange) {
        std::vector<std::uint8_t> response{request[0], 0x03,
                                           static_cast<std::uint8_t>(2 * request[5])};
        for (int i = 0; i < request[5]; ++i) {
            const std::uint16_t value = 4000 + (exchange & 1);
            response.push_back(static_cast<std::uint8_t>(value >> 8));
            response.push_back(static_cast<std::uint8_t>(value & 0xFF));
        }
        codec::AppendCrc(response);
        if (write(master, response.data(), response.size()) !=
            static_cast<ssize_t>(response.size())) {
            return;
        }
        written.push_back(BenchClock::now());
    }
}

} // namespace

int main(int argc, char** argv) {
    const int exchanges = static_cast<int>(NumberOption(argc, argv, "--exchanges", 500));
    constexpr int kWarmUp = 20;
    QApplication application(argc, argv);

    const int master = posix_openpt(O_RDWR | O_NOCTTY | O_CLOEXEC);
    if (master < 0 || grantpt(master) != 0 || unlockpt(master) != 0) {
        std::perror("bench_pty_latency: pseudo-terminal");
        return 1;
    }
    const QString device = QString::fromLocal8Bit(ptsname(master));
    // Held open for the whole run, so the master never sees a hangup between opens.
    const int slave = open(ptsname(master), O_RDWR | O_NOCTTY | O_CLOEXEC);
    termios raw{};
    tcgetattr(slave, &raw);
    cfmakeraw(&raw);
    tcsetattr(slave, TCSANOW, &raw);

    QTemporaryDir folder;
    QFile settings(folder.filePath(QStringLiteral("comm.set")));
    settings.open(QIODevice::WriteOnly);
    settings.write("4,19200\r\n");
    settings.close();
    QFile::link(device, folder.filePath(QStringLiteral("COM4")));

    QtCommControl port(folder.path());
    RecordingMessageBoxes messages;
    frmMain window(folder.path(), port, messages);
    window.show();
    if (!port.portOpen()) {
        std::fprintf(stderr, "bench_pty_latency: the window did not open %s\n", qPrintable(device));
        return 1;
    }

    std::vector<BenchClock::time_point> written;
    std::vector<BenchClock::time_point> shown;
    written.reserve(static_cast<std::size_t>(exchanges) + kWarmUp);
    shown.reserve(static_cast<std::size_t>(exchanges) + kWarmUp);
    std::atomic<bool> stop = false;
    std::thread responder(Respond, master, std::ref(written), std::cref(stop));

    Ui::frmMain& ui = window.ui();
    QObject::connect(ui.txtValue_0, &QLineEdit::textChanged, [&] {
        shown.push_back(BenchClock::now());
        if (static_cast<int>(shown.size()) == exchanges + kWarmUp) {
            QApplication::quit();
            return;
        }
        // A short pause lets the window repaint before the next request.
        QTimer::singleShot(5, ui.comDoOnce, &QPushButton::click);
    });
    QTimer::singleShot(100, ui.comDoOnce, &QPushButton::click);
    QTimer::singleShot(60000, [] { QApplication::exit(1); });
    const int status = QApplication::exec();
    stop = true;
    responder.join();
    close(slave);
    close(master);

    if (status != 0 || written.size() != shown.size() || !messages.shown.isEmpty()) {
        std::fprintf(stderr, "bench_pty_latency: %zu answers written, %zu shown\n", written.size(),
                     shown.size());
        return 1;
    }
    std::vector<double> latency;
    for (std::size_t i = kWarmUp; i < shown.size(); ++i) {
        latency.push_back(Milliseconds(shown[i] - written[i]));
    }
    const double median = Median(latency);
    std::printf("pty response latency (last byte written at the master to the value box text): "
                "median %.3f ms, p99 %.3f ms over %d exchanges [goal median < 2 ms: %s]\n",
                median, Quantile(latency, 0.99), exchanges, Verdict(median < 2));
    return 0;
}
