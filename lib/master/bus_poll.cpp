#include "master/bus_poll.h"

#include "master/requests.h"

namespace master {

namespace {
constexpr std::int64_t kNsPerMs = 1'000'000;
} // namespace

BusPoll::BusPoll(Exchanger& exchanger, Clock& clock, BusPollPlan plan)
    : m_exchanger(exchanger), m_clock(clock), m_plan(std::move(plan)),
      m_backOffs(m_plan.addresses.size()), m_timer(clock.newTimer()) {
    QObject::connect(m_timer.get(), &Timer::fired, [this] { startRound(); });
}

void BusPoll::start() {
    m_startNs = m_clock.nowNs();
    m_round = 0;
    m_roundsDone = 0;
    startRound();
}

void BusPoll::stop() {
    m_stopped = true;
    m_timer->stop();
}

void BusPoll::startRound() {
    m_turn = 0;
    nextTurn();
}

void BusPoll::nextTurn() {
    const bool backOff = m_plan.addresses.size() > 1;
    while (!m_stopped && m_turn < m_plan.addresses.size()) {
        const int address = m_plan.addresses[m_turn];
        if (!backOff || m_backOffs[m_turn].due(m_round)) {
            m_waiting = true;
            m_exchanger.exchange(ReadRequest(address, m_plan.registers).bytes,
                                 RegisterReadExpectation(address, m_plan.registers),
                                 m_plan.timeoutMs,
                                 [this](const Exchange& exchange) { exchanged(exchange); });
            return;
        }
        ++m_turn;
        if (onTurn) {
            onTurn(Turn{m_round, address, std::nullopt, false});
        }
    }
    if (!m_stopped) {
        roundEnded();
    }
}

void BusPoll::exchanged(const Exchange& exchange) {
    m_waiting = false;
    if (m_stopped) {
        return;
    }
    // A turn lost with the port says nothing of the module.
    if (const Outcome outcome = exchange.attempt.verdict.outcome; outcome != Outcome::Lost) {
        m_backOffs[m_turn].record(m_round, outcome == Outcome::Timeout);
    }
    const Turn turn{m_round, m_plan.addresses[m_turn], exchange, m_backOffs[m_turn].period() == 1};
    ++m_turn;
    if (onTurn) {
        onTurn(turn);
    }
    nextTurn();
}

void BusPoll::roundEnded() {
    ++m_roundsDone;
    if (m_plan.rounds && m_roundsDone >= *m_plan.rounds) {
        finish();
        return;
    }
    const std::int64_t interval = std::int64_t{m_plan.intervalMs} * kNsPerMs;
    const std::int64_t elapsed = m_clock.nowNs() - m_startNs;
    const auto over = [&](std::int64_t at) {
        return m_plan.duration &&
               at >= std::chrono::duration_cast<std::chrono::nanoseconds>(*m_plan.duration).count();
    };
    const std::int64_t due = interval * (m_round + 1);
    if (due > elapsed) {
        if (over(due)) {
            finish();
            return;
        }
        ++m_round;
        m_timer->start(static_cast<int>((due - elapsed + kNsPerMs - 1) / kNsPerMs));
        return;
    }
    // The round outlasted the interval: the next goes now, on the latest
    // round whose time has passed.
    if (over(elapsed)) {
        finish();
        return;
    }
    const long long latest = elapsed / interval;
    if (onLate) {
        onLate(latest - m_round - 1);
    }
    m_round = latest;
    startRound();
}

void BusPoll::finish() {
    stop();
    if (onFinished) {
        onFinished();
    }
}

} // namespace master
