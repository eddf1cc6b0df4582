#pragma once

#include <array>
#include <string>
#include <string_view>

#include "master/answer_judging.h"

namespace cli {

// The exit status of every command.
enum ExitCode : int {
    kSuccess = 0,
    kFailedExchanges = 1, // poll or read of several ended with failed exchanges among good ones
    kNotDone = 1,         // doctor found something wrong; pin or unpin could not change the link
    kUsage = 2,           // a bad option, or a value the window's rules refuse
    kPortError = 3,       // the port could not be opened or was lost
    kNoAnswer = 4,        // nothing within the time-out
    kCorrupt = 5,         // CRC, short, wrong address or function
    kException = 6,       // an exception response
    kVerifyFailed = 7,    // a verification failed
    kOutputError = 8,     // the rows or results could not be written
};

// One exit status as every list of them gives it: --help, README and the
// manual page each describe `code` with words that include `name`.
struct ExitStatus {
    int code;
    std::string_view name;
    std::string_view meaning; // the --help text, one line
};

// Every exit status, in order.
inline constexpr std::array<ExitStatus, 9> kExitStatuses{{
    {kSuccess, "success", "success"},
    {kFailedExchanges, "failed exchanges",
     "poll, or read of several modules, ended with failed exchanges among good ones, or a "
     "signal cut one short (see the summary); doctor "
     "found something wrong; pin or unpin could not change the link"},
    {kUsage, "usage", "usage: a bad option, or a value the window's rules refuse"},
    {kPortError, "port",
     "the port could not be opened or was lost; the port or device named does not exist"},
    {kNoAnswer, "no answer", "no answer within the time-out"},
    {kCorrupt, "corrupt", "a corrupt answer: bad CRC, short, wrong address or wrong function"},
    {kException, "exception", "an exception response (its code is printed)"},
    {kVerifyFailed, "verification", "a verification failed"},
    {kOutputError, "output",
     "output could not be written (a full disk, a closed standard output, ...)"},
}};

// The table above as --help shows it.
std::string ExitCodesHelp();

// The exit status an exchange's outcome gives a command.
int ExitCodeOf(master::Outcome outcome);

} // namespace cli
