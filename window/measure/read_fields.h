#pragma once

#include <optional>
#include <string>

#include "codec/frames.h"

namespace measure {

// The four texts of a register read, as the operator typed them.
struct ReadFields {
    std::string station;    // txtStationID
    std::string function;   // txtFunID
    std::string dataLength; // txtDataLength
    std::string start;      // txtStartID
};

// Either the request to send or the message that refuses the fields.
using ReadDecision = codec::RequestOrRefusal;

// Checks the fields in the window's order (station, function, data length,
// start) and stops at the first one that is not a number; then the data
// length must be 1 or 2. Station and start take their integer part, the
// function code rounds half to even; a value outside one byte sends 0.
ReadDecision CheckReadFields(const ReadFields& fields);

} // namespace measure
