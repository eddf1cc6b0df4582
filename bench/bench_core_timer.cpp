// The floor of any Qt command-line program that wakes every 50 ms: a bare
// QCoreApplication with one 50 ms timer and nothing else, for S seconds. Its
// CPU per tick is what ht5530k-cli pays for its event loop alone, before a
// byte is sent; bench/cli_vs_mbpoll.py runs it beside the two masters.
//
//   bench_core_timer [--seconds S]   prints "ticks N" at the end

#include <cstdio>

#include <QCoreApplication>
#include <QTimer>

#include "bench_util.h"

int main(int argc, char** argv) {
    const double seconds = NumberOption(argc, argv, "--seconds", 60);
    QCoreApplication application(argc, argv);
    long ticks = 0;
    QTimer timer;
    timer.setTimerType(Qt::PreciseTimer);
    QObject::connect(&timer, &QTimer::timeout, [&] { ++ticks; });
    timer.start(50);
    QTimer::singleShot(static_cast<int>(seconds * 1000), &application, &QCoreApplication::quit);
    QCoreApplication::exec();
    std::printf("ticks %ld\n", ticks);
    return 0;
}
