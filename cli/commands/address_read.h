#pragma once

#include <optional>
#include <string>

#include "master/answer_judging.h"
#include "master/exchanger.h"

namespace cli {

// The address read (to the shared address 250) as address and scan send it:
// every module on the line answers it, so it waits out its whole time-out to
// hear each answer, not just the first.
master::Expectation AddressReadHearingAll();

// What shows that more than one module answered the address read, for the
// user ("bad CRC: FF 25 ...", "a sound answer from address 3, then 7 more
// bytes: ..."): a garbled answer, or bytes after a sound one. Nothing when it
// got one sound answer, none at all, or an exception.
std::optional<std::string> Collision(const master::Exchange& exchange);

// What the user is told of a collision: "more than one module answered the
// address read (to 250): their answers collided (COLLISION); keep one
// module on the line, or find them all with scan".
std::string CollisionMessage(const std::string& collision);

} // namespace cli
