#include "sim/line_speed.h"

#ifdef __linux__
// termios2 carries any rate as a number, also those set as custom rates
// (14400 has no B constant); its header cannot meet <termios.h> in one file.
#include <asm/termbits.h>
#include <sys/ioctl.h>
#else
#include <termios.h>
#endif

namespace sim {

long LineBaud(int fd) {
#ifdef __linux__
    termios2 mode{};
    if (::ioctl(fd, TCGETS2, &mode) != 0) {
        return 0;
    }
    return static_cast<long>(mode.c_ospeed);
#else
    // Elsewhere speed_t is the rate itself.
    termios mode{};
    if (::tcgetattr(fd, &mode) != 0) {
        return 0;
    }
    return static_cast<long>(::cfgetospeed(&mode));
#endif
}

} // namespace sim
