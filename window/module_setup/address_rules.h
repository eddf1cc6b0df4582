#pragma once

#include <optional>
#include <string>
#include <string_view>

#include "codec/frames.h"

namespace module_setup {

// Either the address change to send or the message that refuses it.
using ChangeDecision = codec::RequestOrRefusal;

// The address change from `current` (txtSetID(0)) to `next` (txtSetID(1)),
// checked in the window's order: both numbers, both at least 1, different,
// the new one at most 35, the current one within one byte. Both take their
// integer part.
ChangeDecision CheckAddressChange(std::string_view current, std::string_view next);

// Whether `next` names `current` and would otherwise be accepted as a new
// address: the change is refused only because the module is already there.
bool AlreadyAtAddress(int current, std::string_view next);

} // namespace module_setup
