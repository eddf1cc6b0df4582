#pragma once

#include <cstdint>
#include <span>

#include "form/form.h"

// A register read response: each register into txtValue(p), with the display
// correction of txtTAdj (even p) or txtHAdj (odd p). A response whose CRC-16
// does not check, or that is shorter than awaited, changes no value box.
void DecodeRegisters(Form& form, std::span<const std::uint8_t> block);

// A configuration response: the answering module's address (byte 0) into
// txtSetID(0) and txtStationID.
void EchoConfiguration(Form& form, std::span<const std::uint8_t> block);
