#include "tools/stop_signals.h"

#include <cerrno>
#include <csignal>
#include <cstring>
#include <fcntl.h>
#include <unistd.h>

namespace sim {

namespace {

volatile std::sig_atomic_t g_writeEnd = -1;

extern "C" void OnStopSignal(int) {
    const int savedErrno = errno;
    const char byte = 's';
    // A full pipe already holds a wake-up, so a failed write loses nothing.
    [[maybe_unused]] const ssize_t written = ::write(g_writeEnd, &byte, 1);
    errno = savedErrno;
}

constexpr int kStopSignals[] = {SIGINT, SIGTERM, SIGHUP};

} // namespace

std::string StopSignals::Install() {
    int ends[2];
    if (::pipe(ends) != 0) {
        return std::string("cannot create a pipe: ") + std::strerror(errno);
    }
    for (const int fd : ends) {
        ::fcntl(fd, F_SETFL, ::fcntl(fd, F_GETFL) | O_NONBLOCK);
        ::fcntl(fd, F_SETFD, FD_CLOEXEC);
    }
    m_read = ends[0];
    g_writeEnd = ends[1];

    struct sigaction action {};
    action.sa_handler = OnStopSignal;
    sigemptyset(&action.sa_mask);
    action.sa_flags = SA_RESTART;
    for (const int signal : kStopSignals) {
        if (::sigaction(signal, &action, nullptr) != 0) {
            return std::string("cannot install a signal handler: ") + std::strerror(errno);
        }
    }
    // Nothing here writes to a pipe or socket, but a log on a closed pipe must
    // not kill the program before it cleans up.
    std::signal(SIGPIPE, SIG_IGN);
    return {};
}

bool StopSignals::Triggered() {
    char buffer[16];
    bool any = false;
    while (::read(m_read, buffer, sizeof buffer) > 0) {
        any = true;
    }
    return any;
}

StopSignals::~StopSignals() {
    if (m_read < 0) {
        return;
    }
    for (const int signal : kStopSignals) {
        std::signal(signal, SIG_DFL);
    }
    const int writeEnd = g_writeEnd;
    g_writeEnd = -1;
    ::close(writeEnd);
    ::close(m_read);
}

} // namespace sim
