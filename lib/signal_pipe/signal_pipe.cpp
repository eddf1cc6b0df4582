#include "signal_pipe/signal_pipe.h"

#include <cerrno>
#include <csignal>
#include <cstring>
#include <fcntl.h>
#include <unistd.h>

namespace signal_pipe {

namespace {

volatile std::sig_atomic_t g_writeEnd = -1;

extern "C" void OnSignal(int signal) {
    const int savedErrno = errno;
    const unsigned char number = static_cast<unsigned char>(signal);
    // A full pipe already holds a wake-up, so a failed write loses nothing.
    [[maybe_unused]] const ssize_t written = ::write(g_writeEnd, &number, 1);
    errno = savedErrno;
}

} // namespace

std::string SignalPipe::Install(std::initializer_list<int> stopSignals) {
    if (m_read >= 0) {
        return {};
    }
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
    action.sa_handler = OnSignal;
    sigemptyset(&action.sa_mask);
    action.sa_flags = SA_RESTART;
    for (const int signal : stopSignals) {
        if (::sigaction(signal, &action, nullptr) != 0) {
            return std::string("cannot install a signal handler: ") + std::strerror(errno);
        }
        m_installed.push_back(signal);
    }
    return {};
}

std::vector<int> SignalPipe::Take() {
    std::vector<int> caught;
    unsigned char buffer[16];
    ssize_t count = 0;
    while (m_read >= 0 && (count = ::read(m_read, buffer, sizeof buffer)) > 0) {
        caught.insert(caught.end(), buffer, buffer + count);
    }
    return caught;
}

SignalPipe::~SignalPipe() {
    if (m_read < 0) {
        return;
    }
    for (const int signal : m_installed) {
        std::signal(signal, SIG_DFL);
    }
    const int writeEnd = g_writeEnd;
    g_writeEnd = -1;
    ::close(writeEnd);
    ::close(m_read);
}

} // namespace signal_pipe
