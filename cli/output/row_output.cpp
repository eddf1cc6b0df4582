#include "cli/output/row_output.h"

#include <cerrno>
#include <cstring>
#include <poll.h>
#include <sys/stat.h>
#include <unistd.h>

namespace cli {

bool RowOutput::write(std::string_view row) {
    std::size_t written = 0;
    while (written < row.size()) {
        const ssize_t count = ::write(m_fd, row.data() + written, row.size() - written);
        if (count > 0) {
            written += static_cast<std::size_t>(count);
            continue;
        }
        if (count < 0 && errno == EINTR) {
            continue;
        }
        if (count < 0 && (errno == EAGAIN || errno == EWOULDBLOCK)) {
            // A non-blocking descriptor handed down by the caller: wait as a
            // blocking one would.
            pollfd ready{m_fd, POLLOUT, 0};
            ::poll(&ready, 1, -1);
            continue;
        }
        const int reason = count < 0 ? errno : EIO;
        m_error = "cannot write " + m_name + ": " + std::strerror(reason);
        cutOff(written);
        return false;
    }
    return true;
}

void RowOutput::cutOff(std::size_t written) {
    struct stat file {};
    if (written == 0 || ::fstat(m_fd, &file) != 0 || !S_ISREG(file.st_mode)) {
        return;
    }
    // Where the partial row ends, also for a file opened for appending.
    const off_t end = ::lseek(m_fd, 0, SEEK_CUR);
    const off_t whole = end - static_cast<off_t>(written);
    if (end < 0 || whole < 0 || ::ftruncate(m_fd, whole) != 0) {
        m_error += " (the last row is incomplete)";
        return;
    }
    ::lseek(m_fd, whole, SEEK_SET);
}

} // namespace cli
