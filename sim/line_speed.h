#pragma once

namespace sim {

// The baud rate a client last set on the terminal `fd`: for the slave side of
// a pseudo-terminal, the rate at which the program that opened it sends. 0 when
// it cannot be read.
long LineBaud(int fd);

} // namespace sim
