#include "cli/exit_codes.h"

namespace cli {

std::string ExitCodesHelp() {
    return R"(Exit status:
  0  success
  1  poll ended with failed exchanges, or a signal cut one short (see the
     summary); doctor found something wrong; pin or unpin could not change
     the link
  2  usage: a bad option, or a value the window's rules refuse
  3  the port could not be opened or was lost; the port or device named does
     not exist
  4  no answer within the time-out
  5  a corrupt answer: bad CRC, short, wrong address or wrong function
  6  an exception response (its code is printed)
  7  a verification failed
  8  output could not be written (a full disk, a closed standard output, ...)
)";
}

} // namespace cli
