#pragma once

#include <string>

namespace cli {

// The exit status of every command.
enum ExitCode : int {
    kSuccess = 0,
    kFailedExchanges = 1, // poll ended with failed exchanges among good ones
    kNotDone = 1,         // doctor found something wrong; pin or unpin could not change the link
    kUsage = 2,           // a bad option, or a value the window's rules refuse
    kPortError = 3,       // the port could not be opened or was lost
    kNoAnswer = 4,        // nothing within the time-out
    kCorrupt = 5,         // CRC, short, wrong address or function
    kException = 6,       // an exception response
    kVerifyFailed = 7,    // a verification failed
    kOutputError = 8,     // the rows or results could not be written
};

// The list above as --help and the manual page show it.
std::string ExitCodesHelp();

} // namespace cli
