#pragma once

#include "codec/frame_silence.h"

namespace sim {

// The silence that ends a request: the master keeps the same one.
using codec::FrameSilence;

// Whether a module set to `moduleBaud` understands a master whose line is at
// `lineBaud`. A module with no rate of its own (0) hears every rate; one with
// a rate hears only garbage from a master at another one.
bool HearsLine(long moduleBaud, long lineBaud);

} // namespace sim
