#include <cerrno>
#include <csignal>
#include <poll.h>
#include <vector>

#include <QTest>

#include "signal_pipe/signal_pipe.h"

// The signals go to this process itself: SIGUSR1 and SIGUSR2, which nothing
// else in the test catches.
class TestSignalPipe : public QObject {
    Q_OBJECT
private slots:
    void caughtSignalsWakeTheLoopInOrder() {
        signal_pipe::SignalPipe pipe;
        QVERIFY(pipe.Install({SIGUSR1, SIGUSR2}).empty());
        QVERIFY(pipe.Take().empty());
        ::raise(SIGUSR2);
        ::raise(SIGUSR1);
        pollfd watched{pipe.Fd(), POLLIN, 0};
        QCOMPARE(::poll(&watched, 1, 0), 1);
        QCOMPARE(pipe.Take(), (std::vector<int>{SIGUSR2, SIGUSR1}));
        QVERIFY(pipe.Take().empty());
    }

    // The handler runs between any two instructions of the program; an errno
    // it changed would be read as the interrupted call's own.
    void theHandlerKeepsErrno() {
        signal_pipe::SignalPipe pipe;
        QVERIFY(pipe.Install({SIGUSR1}).empty());
        // More signals than a pipe holds (64 KiB): once it is full, the
        // handler's write fails and sets errno.
        for (int i = 0; i < 70000; ++i) {
            errno = ERANGE;
            ::raise(SIGUSR1);
            QCOMPARE(errno, ERANGE);
        }
        QVERIFY(!pipe.Take().empty());
    }

    void uninstallingGivesTheSignalsBack() {
        {
            signal_pipe::SignalPipe pipe;
            QVERIFY(pipe.Install({SIGUSR1}).empty());
        }
        struct sigaction now {};
        QCOMPARE(::sigaction(SIGUSR1, nullptr, &now), 0);
        QVERIFY(now.sa_handler == SIG_DFL);
    }
};

QTEST_GUILESS_MAIN(TestSignalPipe)
#include "test_signal_pipe.moc"
