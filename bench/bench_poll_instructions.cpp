// The instructions one poll costs the tool: the shown window polling
// ht5530k-sim at 50 ms (19200 baud), run under
//   valgrind --tool=callgrind --instr-atstart=no
// on whatever display QT_QPA_PLATFORM names (scripts/bench uses xcb on Xvfb).
// Instrumentation is switched on right after a warm-up poll has been sent and
// off right after the poll `--polls` ticks later has been sent, so the count
// holds exactly that many whole polls (request, response, repaints, wake-ups)
// and nothing of the start-up. It prints the number of polls, responses shown
// and changes of the value box in that span; the instruction total is in
// callgrind's output file.
//
// The virtual module's reading drifts a step every 250 ms, so most polls show
// the value already shown. `--noise X` has it answer up to X %RH off at
// random, a new value at every answer, as a real module's last digit flickers.
//
//   bench_poll_instructions [--polls N] [--warmup N] [--noise X]
//   (defaults 100, 20 and none)

#include <cstdio>
#include <valgrind/callgrind.h>

#include <QApplication>
#include <QEventLoop>

#include "bench_util.h"
#include "support/sim_process.h"

int main(int argc, char** argv) {
    const int polls = static_cast<int>(NumberOption(argc, argv, "--polls", 100));
    const int warmup = static_cast<int>(NumberOption(argc, argv, "--warmup", 20));
    const double noise = NumberOption(argc, argv, "--noise", 0);
    QApplication application(argc, argv);

    QStringList simArguments{QStringLiteral("--baud"), QStringLiteral("19200"),
                             QStringLiteral("--seed"), QStringLiteral("1")};
    if (noise > 0) {
        simArguments << QStringLiteral("--noise") << QString::number(noise);
    }
    SimWindow w(simArguments);
    if (!w.started || !w.port->portOpen()) {
        std::fprintf(
            stderr, "bench_poll_instructions: the simulator did not start or the port is closed\n");
        return 1;
    }
    w.window->show();

    // The window's own handler runs first (it connected first), so each count
    // below is taken just after a poll has gone out.
    QEventLoop loop;
    int ticks = 0;
    int shownAtStart = 0;
    int shown = 0;
    int changesAtStart = 0;
    int changes = 0;
    QObject::connect(w.ui().txtState, &QPlainTextEdit::textChanged, [&] {
        if (!w.ui().txtState->toPlainText().isEmpty()) {
            ++shown;
        }
    });
    QObject::connect(w.ui().txtValue_0, &QLineEdit::textChanged, [&] { ++changes; });
    QObject::connect(w.window->form().ui.Timer2, &QTimer::timeout, [&] {
        ++ticks;
        if (ticks == warmup) {
            shownAtStart = shown;
            changesAtStart = changes;
            CALLGRIND_START_INSTRUMENTATION;
        } else if (ticks == warmup + polls) {
            CALLGRIND_STOP_INSTRUMENTATION;
            loop.quit();
        }
    });
    w.ui().txtTimerSet->setText(QStringLiteral("50"));
    w.ui().cmdOneM->click();
    const int countAtStart = w.ui().lblCounter->text().toInt();
    loop.exec();
    w.ui().cmdStopOnce->click();
    const int sent = w.ui().lblCounter->text().toInt() - countAtStart;
    w.sim.stop();

    // Responses shown in the span: one a poll unless the simulator fell behind.
    std::printf("polls %d, responses %d, value changes %d\n", polls, shown - shownAtStart,
                changes - changesAtStart);
    return sent >= warmup + polls - 1 ? 0 : 1;
}
