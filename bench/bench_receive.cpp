// Cost of one receive notification: a 7-byte register response delivered to
// the real window over the in-memory port (read, hex text, CRC check, decode,
// display), side by side with a notification that only counts (event Break).
//
//   bench_receive [--count N]   N notifications of each kind (default 100000)

#include <cstdio>

#include <QApplication>

#include "bench_util.h"
#include "support/window_fixture.h"

int main(int argc, char** argv) {
    const int count = static_cast<int>(NumberOption(argc, argv, "--count", 100000));
    QApplication application(argc, argv);

    WindowFixture w;
    w.window->show();
    // One single read arms the window for a one-register response; it stays
    // armed, so every later delivery is decoded the same way.
    w.ui().comDoOnce->click();
    if (!w.port.portOpen() || w.state().RecLength != 7) {
        std::fprintf(stderr, "bench_receive: the window did not arm a register read\n");
        return 1;
    }
    // Two readings in turn, so the value box really changes every time.
    const QByteArray responses[2] = {ReadResponse(1, {4550}), ReadResponse(1, {4551})};

    std::vector<double> receive;
    std::vector<double> counting;
    receive.reserve(static_cast<std::size_t>(count));
    counting.reserve(static_cast<std::size_t>(count));
    constexpr int kWarmUp = 1000;
    for (int i = -kWarmUp; i < count; ++i) {
        const auto t0 = BenchClock::now();
        w.port.deliver(responses[i & 1]);
        const auto t1 = BenchClock::now();
        w.port.raise(CommControl::Break);
        const auto t2 = BenchClock::now();
        if (i >= 0) {
            receive.push_back(Microseconds(t1 - t0));
            counting.push_back(Microseconds(t2 - t1));
        }
        // Let the window repaint now and then, outside the timed calls.
        if (i % 1000 == 0) {
            QApplication::processEvents();
        }
    }

    // Every delivery must have been decoded and shown, or the figures mean nothing.
    const QString last = w.ui().txtValue_0->text();
    const QString expected =
        (count - 1) % 2 == 0 ? QStringLiteral("45.50") : QStringLiteral("45.51");
    if (last != expected || w.port.inBufferCount() != 0) {
        std::fprintf(stderr, "bench_receive: value box shows %s, expected %s\n", qPrintable(last),
                     qPrintable(expected));
        return 1;
    }

    std::printf("receive notification (7-byte register response, in-memory port): median %.2f us, "
                "p99 %.2f us; baseline counting-only notification: median %.2f us, p99 %.2f us "
                "(%d each)\n",
                Median(receive), Quantile(receive, 0.99), Median(counting),
                Quantile(counting, 0.99), count);
    return 0;
}
