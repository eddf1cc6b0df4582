// A long run: the window polling ht5530k-sim at 50 ms over a noisy line
// (--fault garbage=200 --fault bad-crc=0.2), the device pulled (the simulator
// quits) every few minutes and plugged in again (a new simulator on the same
// link, the port chosen again in the list). Prints polls sent, answers
// decoded, simulator crashes, unplug cycles, and the tool's peak memory once
// polling has settled and at the end, and a progress line each minute.
//
//   bench_soak [--minutes M] [--unplug-every S]   (defaults 30 and 180)

#include <cstdio>

#include <QApplication>
#include <QEventLoop>
#include <QFile>

#include "bench_util.h"
#include "codec/frames.h"
#include "support/sim_process.h"

namespace {

// VmHWM (peak resident set) of this process, KiB; -1 when unreadable.
long PeakKiB() {
    QFile status(QStringLiteral("/proc/self/status"));
    if (!status.open(QIODevice::ReadOnly)) {
        return -1;
    }
    for (const QByteArray& line : status.readAll().split('\n')) {
        if (line.startsWith("VmHWM:")) {
            return line.mid(6).trimmed().split(' ').first().toLong();
        }
    }
    return -1;
}

void Wait(int ms) {
    QEventLoop loop;
    QTimer::singleShot(ms, &loop, &QEventLoop::quit);
    loop.exec();
}

} // namespace

int main(int argc, char** argv) {
    const double minutes = NumberOption(argc, argv, "--minutes", 30);
    const int unplugEvery = static_cast<int>(NumberOption(argc, argv, "--unplug-every", 180));
    QApplication application(argc, argv);

    const auto simArguments = [unplugEvery] {
        return QStringList{QStringLiteral("--baud"),  QStringLiteral("19200"),
                           QStringLiteral("--fault"), QStringLiteral("garbage=200"),
                           QStringLiteral("--fault"), QStringLiteral("bad-crc=0.2"),
                           QStringLiteral("--fault"), QStringLiteral("unplug=%1").arg(unplugEvery)};
    };
    SimWindow w(simArguments());
    if (!w.started || !w.port->portOpen()) {
        std::fprintf(stderr, "bench_soak: the simulator did not start or the port is closed\n");
        return 1;
    }
    w.window->show();

    long long polls = 0;
    long long decoded = 0;
    int crashes = 0;
    int cycles = 0;
    QObject::connect(w.window->form().ui.Timer2, &QTimer::timeout, [&] {
        if (w.state().CommReady) {
            ++polls;
        }
    });
    QObject::connect(w.ui().txtState, &QPlainTextEdit::textChanged, [&] {
        const QByteArray bytes = QByteArray::fromHex(w.ui().txtState->toPlainText().toLatin1());
        const auto* data = reinterpret_cast<const std::uint8_t*>(bytes.constData());
        if (codec::ResponseCrcOk({data, static_cast<std::size_t>(bytes.size())}, 7)) {
            ++decoded;
        }
    });

    w.ui().txtTimerSet->setText(QStringLiteral("50"));
    w.ui().cmdOneM->click();
    Wait(10000); // settled: every allocation a steady poll needs has been made
    const long startKiB = PeakKiB();

    const auto end = BenchClock::now() + std::chrono::duration<double>(60 * minutes);
    std::unique_ptr<SimProcess> sim; // the simulators after the first
    auto nextReport = BenchClock::now() + std::chrono::minutes(1);
    int minutesDone = 0;
    while (BenchClock::now() < end) {
        Wait(500);
        if (BenchClock::now() >= nextReport) {
            nextReport += std::chrono::minutes(1);
            std::printf(
                "soak: %d of %.0f min, %lld polls, %lld answers decoded, %d unplug cycles\n",
                ++minutesDone, minutes, polls, decoded, cycles);
            std::fflush(stdout);
        }
        QProcess& current = sim ? sim->process : w.sim.process;
        if (current.state() != QProcess::NotRunning) {
            continue;
        }
        // Pulled: the simulator quit. Crashed unless it ended as unplugged.
        if (current.exitStatus() != QProcess::NormalExit || current.exitCode() != 0) {
            ++crashes;
        }
        Wait(1000); // the window notices the loss at its next poll
        auto next = std::make_unique<SimProcess>();
        if (!next->start(w.folder.path(), simArguments())) {
            std::fprintf(stderr, "bench_soak: the simulator did not start again\n");
            return 1;
        }
        sim = std::move(next);
        emit w.ui().Combo1->activated(w.ui().Combo1->currentIndex());
        ++cycles;
    }
    w.ui().cmdStopOnce->click();
    Wait(300);
    const long endKiB = PeakKiB();

    const double growthMiB = static_cast<double>(endKiB - startKiB) / 1024;
    std::printf(
        "soak (%.1f min polling at 50 ms, sim at 19200 baud with --fault garbage=200 "
        "--fault bad-crc=0.2, pulled and replugged every %d s): %lld polls, %lld answers "
        "decoded (%.1f%%), %d unplug cycles, %d crashes; peak memory %.1f MiB after 10 s, %.1f MiB "
        "at the end, growth %.3f MiB [goal < 1 MiB: %s]\n",
        minutes, unplugEvery, polls, decoded,
        polls > 0 ? 100.0 * static_cast<double>(decoded) / static_cast<double>(polls) : 0.0, cycles,
        crashes, static_cast<double>(startKiB) / 1024, static_cast<double>(endKiB) / 1024,
        growthMiB, Verdict(growthMiB < 1));
    return 0;
}
