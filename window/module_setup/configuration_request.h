#pragma once

#include "codec/frames.h"
#include "form/form.h"

// Shared tail of the configuration commands: clear the received text, prepare
// the receive side, show the request, and write it when the port is open
// (green indicator) or write nothing (red indicator, no message).
void SendConfigurationRequest(Form& form, const codec::Request& request);
