// Must not compile: the codec links nothing but the standard library.
#include "link/comm_control.h"
