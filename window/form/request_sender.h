#pragma once

#include "codec/frames.h"
#include "form/form.h"

// Discards waiting input and switches receive notifications off while a
// request is prepared, so no notification can interrupt it half-built.
void PrepareReceive(CommControl& port);

// Records what the request awaits, arms the receive threshold and shows the
// request's hex text in txtCommand. Call after PrepareReceive and just before
// the write.
void ArmAndShow(Form& form, const codec::Request& request);

QByteArray FrameBytes(const codec::Request& request);
