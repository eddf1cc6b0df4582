#pragma once

#include "form/form.h"

enum class ReadOutcome {
    Sent,       // the request was written (or the write was attempted)
    Refused,    // a field was malformed; its message has been shown
    PortClosed, // the port was closed; its message has been shown
};

// The "单次" button, and what every poll tick runs: check the four fields,
// send one register read and arm the receive side for its response.
ReadOutcome comDoOnce_Click(Form& form);
