#include "cli/stop_signals.h"

#include <csignal>
#include <string>

namespace cli {

StopSignals::StopSignals(QObject* parent) : QObject(parent) {}

bool StopSignals::install(bool hangUp) {
    if (m_notifier != nullptr) {
        return true;
    }
    const std::string error =
        hangUp ? m_pipe.Install({SIGINT, SIGTERM, SIGHUP}) : m_pipe.Install({SIGINT, SIGTERM});
    if (!error.empty()) {
        return false;
    }
    m_notifier = std::make_unique<QSocketNotifier>(m_pipe.Fd(), QSocketNotifier::Read);
    connect(m_notifier.get(), &QSocketNotifier::activated, this, &StopSignals::readSignal);
    return true;
}

void StopSignals::readSignal() {
    for (const int signal : m_pipe.Take()) {
        if (signal == SIGHUP) {
            emit hangUp();
        } else {
            emit stopRequested(signal);
        }
    }
}

} // namespace cli
