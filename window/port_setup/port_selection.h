#pragma once

#include "form/form.h"
#include "link/settings_file.h"

// The operator picked an entry of the port list (or start-up did): close the
// port, take the entry's number and reopen at the rate last applied.
void Combo1_Click(Form& form);

// The save button: close, apply the chosen port and baud rate, reopen and
// write the settings file.
void cmdCom_Click(Form& form);

// The port steps of start-up, after the settings file has been read: set up
// the port object, select the saved baud and port entries (selecting the port
// runs Combo1_Click, which opens it).
void RestorePort(Form& form, const CommSettings& saved);

// Receive notifications on for every byte / off.
void OpenOnComm(CommControl& port);
void CloseOnComm(CommControl& port);
