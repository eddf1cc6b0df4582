// Must not compile: the option reader is shared by the command line and the
// virtual module, so it knows neither program.
#include "cli/options/arguments.h"
