#pragma once

#include "codec/frames.h"
#include "master/answer_judging.h"

// The requests the master sends, and the answers they await.
namespace master {

// A register read at `address` (function 3, from register 0) of `count`
// registers, and its answer.
codec::Request ReadRequest(int address, int count);
Expectation RegisterReadExpectation(int address, int count);

// The answer to the address read: from whichever module listens at 250.
Expectation AddressReadExpectation();

} // namespace master
