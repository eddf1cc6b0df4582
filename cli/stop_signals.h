#pragma once

#include <QObject>
#include <QSocketNotifier>

namespace cli {

// SIGINT and SIGTERM as a notification on the event loop, so a run can end
// with its summary instead of dying mid-row.
class StopSignals : public QObject {
    Q_OBJECT
public:
    explicit StopSignals(QObject* parent = nullptr);
    ~StopSignals() override;

    // Gives false when the signals could not be caught (they then end the
    // program as usual).
    bool install();

signals:
    void stopRequested(int signal);

private:
    void readSignal();

    QSocketNotifier* m_notifier = nullptr;
};

} // namespace cli
