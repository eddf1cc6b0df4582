#include "cli/output/standard_streams.h"

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <fcntl.h>
#include <string>
#include <unistd.h>

#include "cli/output/diagnostics.h"
#include "cli/output/exit_codes.h"

namespace cli {

void HoldStandardStreams() {
    for (const int fd : {STDIN_FILENO, STDOUT_FILENO, STDERR_FILENO}) {
        if (::fcntl(fd, F_GETFD) != -1 || errno != EBADF) {
            continue;
        }
        // The lowest free number is fd itself: the ones below are open.
        const int opened = ::open("/dev/null", fd == STDERR_FILENO ? O_WRONLY : O_RDONLY);
        if (opened != fd && opened >= 0) {
            ::close(opened);
        }
    }
}

int CheckStandardOutput(int code) {
    errno = 0;
    const bool flushed = std::fflush(stdout) == 0;
    const int reason = errno;
    if (flushed && std::ferror(stdout) == 0) {
        return code;
    }
    PrintError(reason != 0 ? "cannot write standard output: " + std::string(std::strerror(reason))
                           : std::string("cannot write standard output"));
    return kOutputError;
}

} // namespace cli
