#include "sim/pty_device.h"

#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <fcntl.h>
#include <sys/stat.h>
#include <termios.h>
#include <unistd.h>
#include <vector>

namespace sim {

namespace {
std::string SystemError(const std::string& what) {
    return what + ": " + std::strerror(errno);
}

// cfmakeraw is not POSIX; these are the same settings spelled out.
void MakeRaw(termios& mode) {
    mode.c_iflag &= ~static_cast<tcflag_t>(IGNBRK | BRKINT | PARMRK | ISTRIP | INLCR | IGNCR |
                                           ICRNL | IXON | IXOFF);
    mode.c_oflag &= ~static_cast<tcflag_t>(OPOST);
    mode.c_lflag &= ~static_cast<tcflag_t>(ECHO | ECHONL | ICANON | ISIG | IEXTEN);
    mode.c_cflag &= ~static_cast<tcflag_t>(CSIZE | PARENB);
    mode.c_cflag |= CS8 | CREAD | CLOCAL;
    mode.c_cc[VMIN] = 1;
    mode.c_cc[VTIME] = 0;
}
} // namespace

PtyDevice::~PtyDevice() {
    Close();
}

std::string PtyDevice::Open() {
    m_master = posix_openpt(O_RDWR | O_NOCTTY);
    if (m_master < 0) {
        return SystemError("cannot open a pseudo-terminal");
    }
    if (grantpt(m_master) != 0 || unlockpt(m_master) != 0) {
        return SystemError("cannot unlock the pseudo-terminal");
    }
    const char* name = ptsname(m_master);
    if (name == nullptr) {
        return SystemError("cannot name the pseudo-terminal");
    }
    m_path = name;
    m_slave = ::open(m_path.c_str(), O_RDWR | O_NOCTTY);
    if (m_slave < 0) {
        return SystemError("cannot open " + m_path);
    }
    termios mode{};
    if (tcgetattr(m_slave, &mode) != 0) {
        return SystemError("cannot read the line settings of " + m_path);
    }
    MakeRaw(mode);
    if (tcsetattr(m_slave, TCSANOW, &mode) != 0) {
        return SystemError("cannot set raw mode on " + m_path);
    }
    const int flags = fcntl(m_master, F_GETFL);
    if (flags < 0 || fcntl(m_master, F_SETFL, flags | O_NONBLOCK) != 0) {
        return SystemError("cannot make the pseudo-terminal non-blocking");
    }
    return {};
}

void PtyDevice::Close() {
    if (m_slave >= 0) {
        ::close(m_slave);
        m_slave = -1;
    }
    if (m_master >= 0) {
        ::close(m_master);
        m_master = -1;
    }
}

std::string DeviceLink::Create(const std::string& path, const std::string& target) {
    struct stat existing {};
    if (lstat(path.c_str(), &existing) == 0) {
        if (!S_ISLNK(existing.st_mode)) {
            return path + " exists and is not a symbolic link; not replacing it";
        }
        if (::unlink(path.c_str()) != 0) {
            return SystemError("cannot replace " + path);
        }
    }
    if (::symlink(target.c_str(), path.c_str()) != 0) {
        return SystemError("cannot create the link " + path);
    }
    m_path = path;
    m_target = target;
    return {};
}

void DeviceLink::Remove() {
    if (m_path.empty()) {
        return;
    }
    std::vector<char> buffer(m_target.size() + 2);
    const ssize_t length = ::readlink(m_path.c_str(), buffer.data(), buffer.size());
    if (length >= 0 && std::string(buffer.data(), static_cast<std::size_t>(length)) == m_target) {
        ::unlink(m_path.c_str());
    }
    m_path.clear();
}

} // namespace sim
