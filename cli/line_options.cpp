#include "cli/line_options.h"

#include <algorithm>
#include <array>

namespace cli {

namespace {

constexpr std::array kCommon{
    OptionSpec{"port", 'p', "PORT",
               "device path (/dev/ttyUSB0, /dev/serial/by-id/..., a\n"
               "pseudo-terminal) or COMn, mapped as the window maps it"},
    OptionSpec{"baud", 'b', "RATE", "4800, 9600, 14400 or 19200 (8N1)"},
    OptionSpec{"address", 'a', "N", "the module's address, 1 to 255 (default 1)"},
    OptionSpec{"timeout", 0, "MS",
               "the whole answer must arrive within MS milliseconds\n"
               "of the request, 1 to 60000 (default 500)"},
    OptionSpec{"retries", 0, "N",
               "send a request again up to N times when it got no\n"
               "sound answer, 0 to 100 (default 0)"},
    OptionSpec{"verbose", 'v', "",
               "show the line settings and every frame sent and\n"
               "received on standard error"},
    OptionSpec{"help", 'h', "", "show the help and exit"},
};

constexpr std::array kBauds{4800, 9600, 14400, 19200};

} // namespace

std::span<const OptionSpec> CommonOptions() {
    return kCommon;
}

std::span<const int> ModuleBauds() {
    return kBauds;
}

std::variant<LineOptions, std::string> ReadLineOptions(const Arguments& arguments) {
    LineOptions line;
    line.port = arguments.value("port");
    if (line.port && line.port->empty()) {
        return std::string("--port needs a device path or COMn");
    }
    if (const auto baud = arguments.value("baud")) {
        const auto rate = ParseInteger(*baud, 1, 1'000'000);
        if (!rate || std::ranges::find(kBauds, *rate) == kBauds.end()) {
            return "bad --baud '" + *baud + "': 4800, 9600, 14400 or 19200";
        }
        line.baud = static_cast<int>(*rate);
    }
    const auto number = [&](std::string_view name, long long low, long long high,
                            int& target) -> std::string {
        const auto text = arguments.value(name);
        if (!text) {
            return {};
        }
        const auto value = ParseInteger(*text, low, high);
        if (!value) {
            return "bad --" + std::string(name) + " '" + *text + "': " + std::to_string(low) +
                   " to " + std::to_string(high);
        }
        target = static_cast<int>(*value);
        return {};
    };
    for (std::string error :
         {number("address", 1, 255, line.address), number("timeout", 1, 60'000, line.timeoutMs),
          number("retries", 0, 100, line.retries)}) {
        if (!error.empty()) {
            return error;
        }
    }
    line.verbose = arguments.has("verbose");
    return line;
}

} // namespace cli
