#pragma once

#include <chrono>
#include <cstddef>
#include <functional>
#include <memory>
#include <optional>
#include <vector>

#include "master/back_off.h"
#include "master/clock.h"
#include "master/exchanger.h"

namespace master {

// What a poll of the modules on a line asks for.
struct BusPollPlan {
    std::vector<int> addresses; // asked in this order, every round
    int registers = 1;
    int intervalMs = 1000; // the period of a round
    int timeoutMs = 500;
    std::optional<long long> rounds;                   // rounds run; none: until stopped
    std::optional<std::chrono::milliseconds> duration; // no round starts this long after the first
};

// One turn of a round: an address and its exchange, or none when the
// module was skipped, backed off after it stopped answering.
struct Turn {
    long long round = 0; // from 0
    int address = 0;
    std::optional<Exchange> exchange;
    // False once the module is backed off (it stopped answering) and on
    // its skipped turns; true again as soon as it answers.
    bool answering = true;
};

// Polling of several modules on one line, round after round. Round k is due
// k intervals after the first; it asks each address in order, one request
// at a time (the line keeps its gap between them). A round that outlasts
// the interval makes the next one late: it starts as soon as this one ends,
// on the latest round whose time has passed, and the rounds in between are
// skipped. A module that stops answering is asked less often (BackOff)
// while the others keep their interval; a lone module is asked every round,
// as there is no other for it to hold up.
class BusPoll {
public:
    BusPoll(Exchanger& exchanger, Clock& clock, BusPollPlan plan);

    // The first round, now.
    void start();
    // No further request and no further turn; an exchange under way is
    // left to end unreported.
    void stop();
    // A request is out and its exchange not ended.
    bool waiting() const { return m_waiting; }
    // The address whose request is out, while one is.
    int address() const { return m_plan.addresses[m_turn]; }

    // Every turn as it ends, skipped ones included.
    std::function<void(const Turn&)> onTurn;
    // A round that started late, and the rounds skipped before it.
    std::function<void(long long skippedRounds)> onLate;
    // The rounds or the duration of the plan are done.
    std::function<void()> onFinished;

private:
    void startRound();
    void nextTurn();
    void exchanged(const Exchange& exchange);
    void roundEnded();
    void finish();

    Exchanger& m_exchanger;
    Clock& m_clock;
    BusPollPlan m_plan;
    std::vector<BackOff> m_backOffs; // one for each address
    std::unique_ptr<Timer> m_timer;
    std::int64_t m_startNs = 0;
    long long m_round = 0;      // on the schedule: late rounds skip some
    long long m_roundsDone = 0; // the rounds that ran
    std::size_t m_turn = 0;     // index of the address whose turn it is
    bool m_waiting = false;
    bool m_stopped = false;
};

} // namespace master
