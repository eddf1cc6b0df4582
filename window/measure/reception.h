#pragma once

#include "form/form.h"

// Every notification of the serial port: count it; for received bytes take
// everything waiting as one response, show it, decode it by the kind of
// response awaited, and show the link as connected.
void MSComm1_OnComm(Form& form);
