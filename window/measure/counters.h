#pragma once

#include <cstdint>

#include "form/form.h"

// The poll count lives only in lblCounter's caption.
std::int64_t PollCount(const Form& form);

// RecCount, always shown in lblErrCounter after it changes.
void SetRecCount(Form& form, std::int32_t count);
void AddToRecCount(Form& form);
