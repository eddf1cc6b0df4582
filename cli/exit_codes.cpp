#include "cli/exit_codes.h"

namespace cli {

std::string ExitCodesHelp() {
    return R"(Exit status:
  0  success
  1  poll ended with failed exchanges (see the summary)
  2  usage: a bad option, or a value the window's rules refuse
  3  the port could not be opened or was lost
  4  no answer within the time-out
  5  a corrupt answer: bad CRC, short, wrong address or wrong function
  6  an exception response (its code is printed)
  7  a verification failed
)";
}

} // namespace cli
