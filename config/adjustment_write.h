#pragma once

#include <cstdint>
#include <optional>

#include <QString>

#include "link/form.h"

// "设置" of adjustment row `row` (0 or 1): write txtsetValue(row), in
// hundredths, into the module's adjustment register 0x0A00 or 0x0A02.
void cmdSet_Click(Form& form, int row);

// The 16-bit register value of an adjustment entry: -32768..-1 as two's
// complement, 0..65535 as it is, rounded half to even in single precision;
// nothing when the entry is not a number or outside that range.
std::optional<std::uint16_t> AdjustmentValue(const QString& text);
