#include "sim/sim_options.h"

#include <charconv>
#include <cmath>
#include <limits>
#include <system_error>

#include "sim/read_noise.h"
#include "version/ht5530k_version.h"

namespace sim {

namespace {

template <typename Number>
std::optional<Number> ParseNumber(std::string_view text) {
    Number value{};
    const char* end = text.data() + text.size();
    const auto [stop, error] = std::from_chars(text.data(), end, value);
    if (text.empty() || error != std::errc() || stop != end) {
        return std::nullopt;
    }
    if constexpr (std::is_floating_point_v<Number>) {
        if (!std::isfinite(value)) {
            return std::nullopt;
        }
    }
    return value;
}

template <typename Number>
std::optional<Number> InRange(std::string_view text, Number low, Number high) {
    const auto value = ParseNumber<Number>(text);
    if (!value || *value < low || *value > high) {
        return std::nullopt;
    }
    return value;
}

std::optional<int> Hundredths(std::string_view text, double low, double high) {
    const auto value = InRange<double>(text, low, high);
    if (!value) {
        return std::nullopt;
    }
    return static_cast<int>(std::lround(*value * 100.0));
}

// Fills `faults` from one --fault value; gives the error text, empty when fine.
std::string AddFault(std::string_view text, FaultSet& faults) {
    const std::size_t equals = text.find('=');
    const std::string_view name = text.substr(0, equals);
    const std::string_view value =
        equals == std::string_view::npos ? std::string_view() : text.substr(equals + 1);
    const bool hasValue = equals != std::string_view::npos;
    const std::string bad = "bad value in --fault " + std::string(text);

    if (name == "silent" || name == "exception" || name == "short" || name == "double") {
        if (hasValue) {
            return "--fault " + std::string(name) + " takes no value";
        }
        (name == "silent"      ? faults.silent
         : name == "exception" ? faults.exception
         : name == "short"     ? faults.shortFrame
                               : faults.doubled) = true;
        return {};
    }
    if (name == "bad-crc") {
        const auto share = InRange<double>(value, 0.0, 1.0);
        if (!share) {
            return bad + " (a share from 0 to 1)";
        }
        faults.badCrcShare = *share;
        return {};
    }
    if (name == "split") {
        const auto gap = InRange<int>(value, 1, 60'000);
        if (!gap) {
            return bad + " (milliseconds, 1 to 60000)";
        }
        faults.splitMs = *gap;
        return {};
    }
    if (name == "garbage") {
        const auto rate = InRange<std::int64_t>(value, 1, 1'000'000'000);
        if (!rate) {
            return bad + " (bytes a second, 1 to 1000000000)";
        }
        faults.garbagePerSecond = *rate;
        return {};
    }
    if (name == "unplug") {
        const auto after = InRange<double>(value, 0.0, 1e6);
        if (!after) {
            return bad + " (seconds, 0 or more)";
        }
        faults.unplugAfterSeconds = *after;
        return {};
    }
    return "unknown fault '" + std::string(name) +
           "' (silent, exception, bad-crc=P, short, split=MS, double, garbage=N, unplug=S)";
}

// Applies one option that takes a value; gives the error text, empty when fine.
std::string ApplyValue(std::string_view name, std::string_view value, Options& options) {
    const std::string bad = "bad value for " + std::string(name) + ": '" + std::string(value) + "'";
    if (name == "--address") {
        const auto address = InRange<int>(value, 1, 247);
        if (!address) {
            return bad + " (1 to 247)";
        }
        options.address = static_cast<std::uint8_t>(*address);
    } else if (name == "--humidity") {
        const auto humidity = Hundredths(value, kHumidityMin / 100.0, kHumidityMax / 100.0);
        if (!humidity) {
            return bad + " (%RH, 0 to 100)";
        }
        options.humidity = *humidity;
    } else if (name == "--temperature") {
        const auto temperature =
            Hundredths(value, kTemperatureMin / 100.0, kTemperatureMax / 100.0);
        if (!temperature) {
            return bad + " (degrees, -40 to 125)";
        }
        options.temperature = *temperature;
    } else if (name == "--noise") {
        const auto noise = Hundredths(value, 0.0, ReadNoise::kMaxAmplitude / 100.0);
        if (!noise) {
            return bad + " (0 to 10)";
        }
        options.noise = *noise;
    } else if (name == "--baud") {
        const auto baud = InRange<long>(value, 0, 10'000'000);
        if (!baud) {
            return bad + " (0 to 10000000)";
        }
        options.baud = *baud;
    } else if (name == "--delay") {
        const auto delay = InRange<int>(value, 0, 60'000);
        if (!delay) {
            return bad + " (milliseconds, 0 to 60000)";
        }
        options.delayMs = *delay;
    } else if (name == "--seed") {
        const auto seed =
            InRange<std::uint32_t>(value, 0, std::numeric_limits<std::uint32_t>::max());
        if (!seed) {
            return bad + " (0 to 4294967295)";
        }
        options.seed = *seed;
    } else if (name == "--fault") {
        return AddFault(value, options.faults);
    } else if (name == "--link" || name == "--log") {
        if (value.empty()) {
            return bad + " (a path)";
        }
        (name == "--link" ? options.linkPath : options.logPath) = std::string(value);
    } else {
        return "unknown option " + std::string(name);
    }
    return {};
}

ParsedOptions Failed(std::string error) {
    ParsedOptions parsed;
    parsed.outcome = ParsedOptions::Outcome::Error;
    parsed.error = std::move(error);
    return parsed;
}

} // namespace

ParsedOptions ParseOptions(const std::vector<std::string_view>& args) {
    ParsedOptions parsed;
    for (std::size_t i = 0; i < args.size(); ++i) {
        const std::string_view arg = args[i];
        if (arg == "-h" || arg == "--help") {
            parsed.outcome = ParsedOptions::Outcome::Help;
            return parsed;
        }
        if (arg == "--version") {
            parsed.outcome = ParsedOptions::Outcome::Version;
            return parsed;
        }
        if (arg == "--no-drift") {
            parsed.options.drift = false;
            continue;
        }
        if (!arg.starts_with("--")) {
            return Failed("unexpected argument '" + std::string(arg) + "'");
        }
        std::string_view name = arg;
        std::string_view value;
        if (const std::size_t equals = arg.find('='); equals != std::string_view::npos) {
            name = arg.substr(0, equals);
            value = arg.substr(equals + 1);
        } else {
            if (i + 1 >= args.size()) {
                return Failed(std::string(arg) + " needs a value");
            }
            value = args[++i];
        }
        if (std::string error = ApplyValue(name, value, parsed.options); !error.empty()) {
            return Failed(std::move(error));
        }
    }
    return parsed;
}

std::string UsageText() {
    return R"(Usage: ht5530k-sim [options]

A virtual HT5530K temperature and humidity module answering Modbus RTU on a
pseudo-terminal. The first line written to standard output is the device path
to open; the program runs until interrupted (SIGINT or SIGTERM). A request is
whatever arrives until the line is quiet for 3.5 characters of 11 bits at the
baud rate the master set on its side of the pseudo-terminal (at least 1.75 ms).

Options:
  --address N      bus address, 1 to 247 (default 1)
  --humidity X     starting relative humidity in %RH, 0 to 100 (default 45)
  --temperature X  starting temperature in degrees, -40 to 125 (default 23)
  --no-drift       keep both readings fixed (they otherwise wander slowly)
  --noise X        answer each reading up to X (%RH or degrees, 0 to 10) off at
                   random, never the same value twice in a row, as a real
                   module's last digits flicker (default 0: no noise)
  --baud B         pace responses like a line at B baud, 10 bits a byte, and
                   answer only a master whose line is set to B, as a real
                   module hears only garbage at another rate (default 0:
                   respond as soon as the request has ended, at any rate)
  --delay MS       turnaround in milliseconds before each response (default 0)
  --link PATH      make PATH a symbolic link to the device while running
  --log FILE       write one line per frame received or sent to FILE
  --seed N         seed for drift, noise and faults, for repeatable runs
  --fault F        inject a fault; may be given several times:
                     silent      never answer
                     exception   answer every valid request with exception 04
                     bad-crc=P   send a share P (0 to 1) of responses with a wrong CRC
                     short       drop the last byte of every response
                     split=MS    send responses a byte at a time, MS ms apart
                     double      send every response twice, back to back
                     garbage=N   send N random bytes a second on average, at random
                                 moments between responses
                     unplug=S    close the device after S seconds and exit
  -h, --help       show this help and exit
  --version        show the version and exit

Exit status: 0 when stopped or unplugged, 1 on a system error, 2 on bad options.
)";
}

std::string VersionText() {
    return "ht5530k-sim " + std::string(ht5530k::kVersion) + "\n";
}

} // namespace sim
