// Must not compile: the window-free rules do not link the window's form.
#include "form/form.h"
