#pragma once

#include <algorithm>
#include <cstdint>
#include <optional>
#include <vector>

#include "master/clock.h"

// A clock that stands still until the test moves it; its timers fire, in
// the order they are due, as time passes them.
class ManualClock final : public master::Clock {
public:
    std::int64_t nowNs() const override { return m_now; }
    master::WallClock::time_point wallNow() const override {
        return master::WallClock::time_point{} + std::chrono::nanoseconds(m_now);
    }
    std::unique_ptr<master::Timer> newTimer() override {
        return std::make_unique<ManualTimer>(*this);
    }

    double nowMs() const { return static_cast<double>(m_now) / 1e6; }

    // Moves time on by `ms`, firing every timer that falls due meanwhile.
    void advance(double ms) {
        const auto target = m_now + static_cast<std::int64_t>(ms * 1e6);
        for (;;) {
            ManualTimer* next = nullptr;
            for (ManualTimer* timer : m_timers) {
                if (timer->due && *timer->due <= target && (!next || *timer->due < *next->due)) {
                    next = timer;
                }
            }
            if (!next) {
                break;
            }
            m_now = *next->due;
            next->due.reset();
            emit next->fired();
        }
        m_now = target;
    }

private:
    struct ManualTimer final : master::Timer {
        explicit ManualTimer(ManualClock& clock) : clock(clock) { clock.m_timers.push_back(this); }
        ~ManualTimer() override { std::erase(clock.m_timers, this); }
        void start(int ms) override { due = clock.m_now + std::int64_t{ms} * 1'000'000; }
        void stop() override { due.reset(); }
        ManualClock& clock;
        std::optional<std::int64_t> due;
    };

    std::int64_t m_now = 0;
    std::vector<ManualTimer*> m_timers;
};
