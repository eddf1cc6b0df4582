#pragma once

#include "options/arguments.h"

// The command line's options are read by the reader both programs share;
// the commands know its types under their own namespace.
namespace cli {

using options::Arguments;
using options::OptionSpec;
using options::ParseArguments;
using options::ParsedArguments;

} // namespace cli
