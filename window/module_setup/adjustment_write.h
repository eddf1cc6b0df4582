#pragma once

#include "form/form.h"

// "设置" of adjustment row `row` (0 or 1): write txtsetValue(row), in
// hundredths, into the module's adjustment register 0x0A00 or 0x0A02.
void cmdSet_Click(Form& form, int row);
