#pragma once

#include "cli/output/row_format.h"

namespace cli {

// Where a poll's readings go besides its rows (a broker, the metrics
// endpoint). Told of every turn as it ends, on the event loop: it must not
// block, and it cannot stop the poll.
class PollListener {
public:
    virtual ~PollListener() = default;

    // `row` as written. `answering` is false once the module is backed off
    // after it stopped answering, on its skipped turns and while the port
    // is lost; true again as soon as it answers.
    virtual void turned(const Row& row, bool answering) = 0;
};

} // namespace cli
