#pragma once

#include <memory>

#include <QObject>
#include <QSocketNotifier>

#include "signal_pipe/signal_pipe.h"

namespace cli {

// SIGINT and SIGTERM as a notification on the event loop, so a run can end
// with its summary instead of dying mid-row; and SIGHUP, for a run that
// opens its output file again on it (logrotate's convention).
class StopSignals : public QObject {
    Q_OBJECT
public:
    explicit StopSignals(QObject* parent = nullptr);

    // Gives false when the signals could not be caught (they then end the
    // program as usual). SIGHUP is caught only with `hangUp`; else it ends
    // the program as usual.
    bool install(bool hangUp = false);

signals:
    void stopRequested(int signal);
    void hangUp();

private:
    void readSignal();

    signal_pipe::SignalPipe m_pipe;
    // Declared after the pipe: it stops watching before the pipe closes.
    std::unique_ptr<QSocketNotifier> m_notifier;
};

} // namespace cli
