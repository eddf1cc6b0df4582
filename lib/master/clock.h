#pragma once

#include <cstdint>
#include <memory>

#include <QElapsedTimer>
#include <QObject>
#include <QTimer>

#include "master/timestamp.h"

namespace master {

// A one-shot timer of a Clock.
class Timer : public QObject {
    Q_OBJECT
public:
    using QObject::QObject;
    // Fires once, `ms` from now; a running timer starts over.
    virtual void start(int ms) = 0;
    virtual void stop() = 0;

signals:
    void fired();
};

// The time the master keeps: a monotonic clock for time-outs and response
// times, the wall clock for rows, and timers. Tests give one of their own.
class Clock {
public:
    virtual ~Clock() = default;
    // Monotonic nanoseconds since some fixed moment.
    virtual std::int64_t nowNs() const = 0;
    virtual WallClock::time_point wallNow() const = 0;
    virtual std::unique_ptr<Timer> newTimer() = 0;
};

// The system's clocks, and precise timers on the event loop.
class SystemClock final : public Clock {
public:
    SystemClock() { m_monotonic.start(); }
    std::int64_t nowNs() const override { return m_monotonic.nsecsElapsed(); }
    WallClock::time_point wallNow() const override { return WallClock::now(); }
    std::unique_ptr<Timer> newTimer() override;

private:
    QElapsedTimer m_monotonic;
};

} // namespace master
