#pragma once

#include "form/form.h"

// "读地址": ask whoever listens at address 250 for its own address.
void cmdReadAdd_Click(Form& form);

// "执行": give the module at the current address (txtSetID(0)) the new
// address (txtSetID(1)), 1 to 35.
void cmdChangeID_Click(Form& form);
