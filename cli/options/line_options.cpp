#include "cli/options/line_options.h"

#include <algorithm>
#include <array>

#include <QDir>

#include "codec/address_list.h"
#include "codec/protocol.h"
#include "options/number_reading.h"

namespace cli {

namespace {

constexpr std::array kCommon{
    OptionSpec{"port", 'p', "PORT",
               "COM1 to COM16 (any case), mapped as the window maps\n"
               "it; a path with a slash (/dev/serial/by-id/...,\n"
               "build/COM4, from this folder); a name under /dev\n"
               "(ttyUSB0)"},
    OptionSpec{"baud", 'b', "RATE", "4800, 9600, 14400 or 19200 (8N1)"},
    OptionSpec{"address", 'a', "N",
               "the module's address, 1 to 255 (default 1); read and\n"
               "poll take a list: 1-8, 1,3,5-7"},
    OptionSpec{"timeout", 0, "MS",
               "the whole answer must arrive within MS milliseconds\n"
               "of the request, 1 to 60000 (default 500). After a\n"
               "time-out the next request waits until the line has\n"
               "been quiet for MS as well: an answer that comes late\n"
               "is then dropped, never taken for the next request's,\n"
               "and a module still answering is not talked over"},
    OptionSpec{"retries", 0, "N",
               "send a request again up to N times when it got no\n"
               "sound answer, 0 to 100 (default 0)"},
    OptionSpec{"verbose", 'v', "",
               "show the line settings and every frame sent and\n"
               "received on standard error"},
    OptionSpec{"help", 'h', "", "show the help and exit"},
};

} // namespace

std::span<const OptionSpec> CommonOptions() {
    return kCommon;
}

std::span<const int> ModuleBauds() {
    return codec::kModuleRates;
}

std::variant<LineOptions, std::string> ReadLineOptions(const Arguments& arguments) {
    LineOptions line;
    if (const auto port = arguments.value("port")) {
        if (port->empty()) {
            return std::string("--port needs a device path or COMn");
        }
        auto argument = ReadPortArgument(QString::fromStdString(*port), QDir::currentPath());
        if (const QString* error = std::get_if<QString>(&argument)) {
            return "bad --port " + error->toStdString();
        }
        line.port = std::get<PortArgument>(std::move(argument));
    }
    if (const auto baud = arguments.value("baud")) {
        const auto rate = options::ReadInteger(*baud, 1, 1'000'000);
        if (!rate || std::ranges::find(codec::kModuleRates, *rate) == codec::kModuleRates.end()) {
            return options::BadValue("baud", *baud, "4800, 9600, 14400 or 19200");
        }
        line.baud = static_cast<int>(*rate);
    }
    const auto number = [&](std::string_view name, long long low, long long high,
                            int& target) -> std::string {
        const auto text = arguments.value(name);
        if (!text) {
            return {};
        }
        const auto value = options::ReadInteger(*text, low, high);
        if (!value) {
            return options::BadValue(name, *text, options::RangeText(low, high));
        }
        target = static_cast<int>(*value);
        return {};
    };
    for (std::string error :
         {number("timeout", 1, 60'000, line.timeoutMs), number("retries", 0, 100, line.retries)}) {
        if (!error.empty()) {
            return error;
        }
    }
    if (const auto text = arguments.value("address")) {
        const codec::AddressList list = codec::ParseAddressList(*text, 1, 255);
        if (!list.error.empty()) {
            // A lone number says the range, as for every other number.
            const bool lone = text->find_first_of(",-", 1) == std::string::npos;
            return options::BadValue("address", *text,
                                     lone ? options::RangeText(1, 255) : list.error);
        }
        line.addresses.assign(list.addresses.begin(), list.addresses.end());
        line.address = line.addresses.front();
    }
    line.verbose = arguments.has("verbose");
    return line;
}

} // namespace cli
