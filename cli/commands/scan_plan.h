#pragma once

#include <optional>
#include <string_view>
#include <vector>

namespace cli {

struct AddressRange {
    int first = 1;
    int last = 35;
};

// "4800,19200": rates the module speaks, each once, in the order given.
std::optional<std::vector<int>> ParseBauds(std::string_view text);
// "1-35" or a single address "17"; from 1 to 255, first no greater than last.
std::optional<AddressRange> ParseAddressRange(std::string_view text);

// The time-out of each scan request at `baud`: `given` (--timeout) when there
// is one, else the line time of a request and a two-register answer (11 bits
// a character) and 50 ms for the module.
int ScanTimeoutMs(int baud, std::optional<int> given = std::nullopt);

// The longest a scan can take: at each rate the address read, a read at each
// address of the range, and one at an address the address read named
// outside it, each timing out and each but the first waiting as long again
// for the line to be quiet.
long long ScanWorstCaseMs(const std::vector<int>& bauds, const AddressRange& range,
                          std::optional<int> given = std::nullopt);

} // namespace cli
