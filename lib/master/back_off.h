#pragma once

#include <optional>

namespace master {

// How often a module that stopped answering is still asked, so that a dead
// module does not take its time-out out of every round. After three
// time-outs in a row it is asked every 2nd round; each further time-out
// doubles that, up to every 32nd round. Any answer, even a corrupt one,
// brings it back to every round.
class BackOff {
public:
    static constexpr int kMissesBeforeBackOff = 3;
    static constexpr int kLongestPeriod = 32;

    // Whether the module is asked in `round` (rounds counted from 0).
    bool due(long long round) const { return !m_lastAsked || round - *m_lastAsked >= m_period; }
    // The outcome of its turn in `round`: whether it stayed silent.
    void record(long long round, bool silent);
    // Every how many rounds it is asked: 1 while it answers.
    int period() const { return m_period; }

private:
    int m_misses = 0;
    int m_period = 1;
    std::optional<long long> m_lastAsked;
};

} // namespace master
