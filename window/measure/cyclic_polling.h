#pragma once

#include "form/form.h"

// "循环": reset both counters and start polling at the interval typed in txtTimerSet.
void cmdOneM_Click(Form& form);

// "停止": stop polling; counters and a response under way are left alone.
void cmdStopOnce_Click(Form& form);

// One poll: count it and send a single read while the port is ready.
void Timer2_Timer(Form& form);
