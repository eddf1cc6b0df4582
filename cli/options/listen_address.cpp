#include "cli/options/listen_address.h"

#include <arpa/inet.h>

#include "options/number_reading.h"

namespace cli {

namespace {

bool IsAddress(int family, const std::string& text) {
    unsigned char bytes[16];
    return ::inet_pton(family, text.c_str(), bytes) == 1;
}

} // namespace

std::variant<ListenAddress, std::string> ReadListenAddress(std::string_view option,
                                                           std::string_view text) {
    const auto bad = [&](std::string_view why) { return options::BadValue(option, text, why); };
    const std::size_t colon = text.rfind(':');
    if (colon == std::string_view::npos) {
        return bad("HOST:PORT, as 127.0.0.1:9530");
    }
    ListenAddress address;
    address.host = std::string(text.substr(0, colon));
    const auto port = options::ReadInteger(text.substr(colon + 1), 1, 65535);
    if (!port) {
        return bad("HOST:PORT, the port 1 to 65535");
    }
    address.port = static_cast<int>(*port);
    const bool bracketed =
        address.host.size() >= 2 && address.host.front() == '[' && address.host.back() == ']';
    if (bracketed) {
        address.host = address.host.substr(1, address.host.size() - 2);
        if (!IsAddress(AF_INET6, address.host)) {
            return bad("an IPv6 address in brackets, as [::1]:9530");
        }
    } else if (address.host == "localhost") {
        address.host = "127.0.0.1";
    } else if (!address.host.empty() && !IsAddress(AF_INET, address.host)) {
        return bad("HOST an IPv4 address, [an IPv6 address], localhost or nothing (every "
                   "address)");
    }
    return address;
}

} // namespace cli
