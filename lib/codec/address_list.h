#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace codec {

// The addresses of a bus, as every program of the project takes them: items
// separated by commas, each an address ("5") or a range of addresses ("1-8"),
// with blanks allowed around numbers, commas and dashes. The order is kept as
// written, since it is the order in which the modules are polled; a range
// written high to low ("8-1") runs downwards. An address may appear only
// once: a second mention is refused rather than polled twice a round.
struct AddressList {
    std::vector<std::uint8_t> addresses; // in the order written
    std::string error;                   // empty when the text is a list
};

// `lowest` and `highest` (0 to 255) bound every address; the error names the
// item at fault and says what to write instead.
AddressList ParseAddressList(std::string_view text, int lowest, int highest);

} // namespace codec
