// Polling at 50 ms against ht5530k-sim paced at 19200 baud: the tool's CPU
// time per poll and in all, responses lost, and the poll tick period.
// The real window and serial-port layer run in this process; the simulator
// is a child process on a pseudo-terminal. The CPU baseline is a bare 50 ms
// timer ticking in the same process first, with the window open but idle:
// the floor any 50 ms poll pays for waking up on this machine.
//
//   bench_polling [--seconds S]   how long to poll (default 60; the baseline
//                                 runs a quarter of that, at least 2 s)

#include <cmath>
#include <cstdio>
#include <sys/resource.h>

#include <QApplication>
#include <QEventLoop>
#include <QFile>

#include "bench_util.h"
#include "codec/protocol.h"
#include "support/sim_process.h"

namespace {

double CpuSeconds() {
    rusage usage{};
    getrusage(RUSAGE_SELF, &usage);
    const auto seconds = [](const timeval& t) {
        return static_cast<double>(t.tv_sec) + static_cast<double>(t.tv_usec) / 1e6;
    };
    return seconds(usage.ru_utime) + seconds(usage.ru_stime);
}

// True when the hex text the window shows is a whole one-register response
// with a good CRC: exactly what the window decodes into the value box.
bool IsDecodable(const QString& shown) {
    const QByteArray bytes = QByteArray::fromHex(shown.toLatin1());
    if (bytes.size() != 7) {
        return false;
    }
    const auto* data = reinterpret_cast<const std::uint8_t*>(bytes.constData());
    return codec::CrcMatches({data, 7});
}

// Runs the event loop, idle unless something happens, for `ms`.
void Wait(int ms) {
    QEventLoop loop;
    QTimer::singleShot(ms, Qt::PreciseTimer, &loop, &QEventLoop::quit);
    loop.exec();
}

} // namespace

int main(int argc, char** argv) {
    const double seconds = NumberOption(argc, argv, "--seconds", 60);
    QApplication application(argc, argv);

    QTemporaryDir logFolder;
    const QString log = logFolder.filePath(QStringLiteral("sim.log"));
    SimWindow w({QStringLiteral("--baud"), QStringLiteral("19200"), QStringLiteral("--log"), log});
    if (!w.started || !w.port->portOpen()) {
        std::fprintf(stderr, "bench_polling: the simulator did not start or the port is closed\n");
        return 1;
    }
    w.window->show();
    Wait(200);

    std::vector<BenchClock::time_point> ticks;
    QObject::connect(w.window->form().ui.Timer2, &QTimer::timeout,
                     [&] { ticks.push_back(BenchClock::now()); });
    int decoded = 0;
    QObject::connect(w.ui().txtState, &QPlainTextEdit::textChanged, [&] {
        if (IsDecodable(w.ui().txtState->toPlainText())) {
            ++decoded;
        }
    });

    // Baseline: the same process waking every 50 ms and doing nothing else.
    QTimer bare;
    bare.setTimerType(Qt::PreciseTimer);
    int bareTicks = 0;
    QObject::connect(&bare, &QTimer::timeout, [&] { ++bareTicks; });
    const double bareWall = std::max(2.0, seconds / 4);
    const double bareStart = CpuSeconds();
    bare.start(50);
    Wait(static_cast<int>(bareWall * 1000));
    bare.stop();
    const double bareCpu = CpuSeconds() - bareStart;

    w.ui().txtTimerSet->setText(QStringLiteral("50"));
    const double cpuStart = CpuSeconds();
    const auto wallStart = BenchClock::now();
    w.ui().cmdOneM->click();
    Wait(static_cast<int>(seconds * 1000));
    w.ui().cmdStopOnce->click();
    const double cpu = CpuSeconds() - cpuStart;
    const double wall = std::chrono::duration<double>(BenchClock::now() - wallStart).count();
    Wait(300); // the last poll's response
    w.sim.stop();

    // lblCounter starts at 1 and counts every poll sent.
    const int polls = w.ui().lblCounter->text().toInt() - 1;
    int answered = 0;
    QFile file(log);
    if (file.open(QIODevice::ReadOnly)) {
        answered = static_cast<int>(file.readAll().count(" tx "));
    }
    std::vector<double> periods;
    for (std::size_t i = 1; i < ticks.size(); ++i) {
        periods.push_back(Milliseconds(ticks[i] - ticks[i - 1]));
    }
    double mean = 0;
    for (double period : periods) {
        mean += period / static_cast<double>(periods.size());
    }
    const double worst = periods.empty() ? 0 : *std::max_element(periods.begin(), periods.end());
    const double cpuPercent = 100 * cpu / wall;

    std::printf("polling CPU (tool process, 50 ms polls for %.0f s, sim at 19200 baud): %.1f us "
                "per poll, %.3f%% of one core [goal < 1%%: %s]; baseline bare 50 ms timer: "
                "%.1f us per tick, %.3f%% of one core (%d ticks)\n",
                seconds, polls > 0 ? 1e6 * cpu / polls : 0.0, cpuPercent, Verdict(cpuPercent < 1),
                bareTicks > 0 ? 1e6 * bareCpu / bareTicks : 0.0, 100 * bareCpu / bareWall,
                bareTicks);
    std::printf("polling responses lost: %d (%d polls, %d answered by the simulator, %d decoded) "
                "[goal 0: %s]\n",
                polls - decoded, polls, answered, decoded, Verdict(polls > 0 && polls == decoded));
    std::printf("polling tick period: mean %.3f ms, worst %.3f ms over %zu ticks "
                "[goal mean within 1%% of 50 ms: %s]\n",
                mean, worst, periods.size(), Verdict(std::abs(mean - 50) <= 0.5));
    return 0;
}
