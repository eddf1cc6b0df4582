// Must not compile: the serial link does not link the window's form.
#include "form/form.h"
