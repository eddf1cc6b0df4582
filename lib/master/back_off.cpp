#include "master/back_off.h"

#include <algorithm>

namespace master {

void BackOff::record(long long round, bool silent) {
    m_lastAsked = round;
    if (!silent) {
        m_misses = 0;
        m_period = 1;
        return;
    }
    ++m_misses;
    if (m_misses >= kMissesBeforeBackOff) {
        // 2 at the third miss in a row, then 4, 8, ...
        m_period = std::min(kLongestPeriod, m_period * 2);
    }
}

} // namespace master
