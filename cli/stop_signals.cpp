#include "cli/stop_signals.h"

#include <csignal>

namespace cli {

StopSignals::StopSignals(QObject* parent) : QObject(parent) {}

bool StopSignals::install() {
    if (m_notifier != nullptr) {
        return true;
    }
    if (!m_pipe.Install({SIGINT, SIGTERM}).empty()) {
        return false;
    }
    m_notifier = std::make_unique<QSocketNotifier>(m_pipe.Fd(), QSocketNotifier::Read);
    connect(m_notifier.get(), &QSocketNotifier::activated, this, &StopSignals::readSignal);
    return true;
}

void StopSignals::readSignal() {
    for (const int signal : m_pipe.Take()) {
        emit stopRequested(signal);
    }
}

} // namespace cli
