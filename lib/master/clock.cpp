#include "master/clock.h"

namespace master {

namespace {

class EventLoopTimer final : public Timer {
public:
    EventLoopTimer() {
        m_timer.setSingleShot(true);
        m_timer.setTimerType(Qt::PreciseTimer);
        connect(&m_timer, &QTimer::timeout, this, &Timer::fired);
    }
    void start(int ms) override { m_timer.start(ms); }
    void stop() override { m_timer.stop(); }

private:
    QTimer m_timer;
};

} // namespace

std::unique_ptr<Timer> SystemClock::newTimer() {
    return std::make_unique<EventLoopTimer>();
}

} // namespace master
