#include "cli/stop_signals.h"

#include <csignal>
#include <fcntl.h>
#include <sys/socket.h>
#include <unistd.h>

namespace cli {

namespace {

// The handler's end of the pair; written from the handler, read on the loop.
int g_signalPair[2] = {-1, -1};

extern "C" void OnSignal(int signal) {
    const unsigned char number = static_cast<unsigned char>(signal);
    [[maybe_unused]] const ssize_t written = ::write(g_signalPair[0], &number, 1);
}

} // namespace

StopSignals::StopSignals(QObject* parent) : QObject(parent) {}

StopSignals::~StopSignals() {
    if (m_notifier != nullptr) {
        std::signal(SIGINT, SIG_DFL);
        std::signal(SIGTERM, SIG_DFL);
        ::close(g_signalPair[0]);
        ::close(g_signalPair[1]);
        g_signalPair[0] = g_signalPair[1] = -1;
    }
}

bool StopSignals::install() {
    if (m_notifier != nullptr) {
        return true;
    }
    if (::socketpair(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0, g_signalPair) != 0) {
        return false;
    }
    ::fcntl(g_signalPair[0], F_SETFL, O_NONBLOCK);
    m_notifier = new QSocketNotifier(g_signalPair[1], QSocketNotifier::Read, this);
    connect(m_notifier, &QSocketNotifier::activated, this, &StopSignals::readSignal);
    struct sigaction action {};
    action.sa_handler = OnSignal;
    sigemptyset(&action.sa_mask);
    action.sa_flags = SA_RESTART;
    return ::sigaction(SIGINT, &action, nullptr) == 0 &&
           ::sigaction(SIGTERM, &action, nullptr) == 0;
}

void StopSignals::readSignal() {
    unsigned char number = 0;
    if (::read(g_signalPair[1], &number, 1) == 1) {
        emit stopRequested(number);
    }
}

} // namespace cli
