#pragma once

#include <string>
#include <string_view>
#include <variant>

namespace cli {

// Where a server of the command line listens (--metrics HOST:PORT).
struct ListenAddress {
    std::string host; // an IPv4 or IPv6 address; empty: every address of the machine
    int port = 0;     // 1 to 65535
};

// HOST:PORT, HOST an IPv4 address, an IPv6 address in brackets ([::1]:9530),
// localhost (127.0.0.1) or nothing (:9530, every address); PORT 1 to 65535.
// The address, or what is wrong ("bad --metrics 'x:1': ...").
std::variant<ListenAddress, std::string> ReadListenAddress(std::string_view option,
                                                           std::string_view text);

} // namespace cli
