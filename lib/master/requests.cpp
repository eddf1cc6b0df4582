#include "master/requests.h"

#include "codec/protocol.h"

namespace master {

codec::Request ReadRequest(int address, int count) {
    return codec::RegisterRead(static_cast<std::uint8_t>(address), codec::kReadHoldingRegisters, 0,
                               static_cast<std::uint8_t>(count));
}

Expectation RegisterReadExpectation(int address, int count) {
    return {{static_cast<std::uint8_t>(address)},
            codec::kReadHoldingRegisters,
            static_cast<std::size_t>(codec::RegisterReadLength(count))};
}

Expectation AddressReadExpectation() {
    return {{}, codec::kReadAddress, 0};
}

} // namespace master
