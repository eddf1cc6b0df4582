#include "sim/line_timing.h"

namespace sim {

bool HearsLine(long moduleBaud, long lineBaud) {
    return moduleBaud <= 0 || moduleBaud == lineBaud;
}

} // namespace sim
