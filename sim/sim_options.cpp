#include "sim/sim_options.h"

#include <algorithm>
#include <array>
#include <cmath>
#include <limits>

#include "codec/address_list.h"
#include "codec/protocol.h"
#include "options/arguments.h"
#include "options/number_reading.h"
#include "sim/read_noise.h"
#include "version/ht5530k_version.h"

namespace sim {

namespace {

// The value names are those of the usage text, for "--delay needs a value (MS)".
constexpr std::array kOptions{
    options::OptionSpec{"address", 0, "LIST", ""},  options::OptionSpec{"humidity", 0, "X", ""},
    options::OptionSpec{"temperature", 0, "X", ""}, options::OptionSpec{"no-drift", 0, "", ""},
    options::OptionSpec{"noise", 0, "X", ""},       options::OptionSpec{"baud", 0, "B", ""},
    options::OptionSpec{"delay", 0, "MS", ""},      options::OptionSpec{"link", 0, "PATH", ""},
    options::OptionSpec{"log", 0, "FILE", ""},      options::OptionSpec{"seed", 0, "N", ""},
    options::OptionSpec{"fault", 0, "F", ""},       options::OptionSpec{"help", 'h', "", ""},
    options::OptionSpec{"version", 0, "", ""},
};

// Modbus's highest unicast address: the virtual module starts at any of
// them, beyond the 35 that the module takes in an address change.
constexpr int kHighestAddress = 247;

// "milliseconds, 0 to 60000": what an option takes, for its message.
std::string Within(std::string_view unit, long long low, long long high) {
    return (unit.empty() ? "" : std::string(unit) + ", ") + options::RangeText(low, high);
}

// Reads the options' values into `options`, stopping at the first one that
// is wrong; what was wrong, empty when all are fine.
class ValueReader {
public:
    ValueReader(const options::Arguments& given, Options& options)
        : m_given(given), m_options(options) {}

    template <typename Target>
    void integer(std::string_view name, long long low, long long high, std::string_view unit,
                 Target& target) {
        if (const auto text = next(name)) {
            if (const auto value = options::ReadInteger(*text, low, high)) {
                target = static_cast<Target>(*value);
            } else {
                refuse(name, *text, Within(unit, low, high));
            }
        }
    }

    // A reading in hundredths, given in whole units.
    void hundredths(std::string_view name, int low, int high, std::string_view unit, int& target) {
        if (const auto text = next(name)) {
            if (const auto value = options::ReadDecimal(*text, low / 100.0, high / 100.0)) {
                target = static_cast<int>(std::lround(*value * 100.0));
            } else {
                refuse(name, *text, Within(unit, low / 100, high / 100));
            }
        }
    }

    void addresses(std::string_view name, std::vector<std::uint8_t>& target) {
        if (const auto text = next(name)) {
            codec::AddressList list =
                codec::ParseAddressList(*text, codec::kLowestAddress, kHighestAddress);
            if (list.error.empty()) {
                target = std::move(list.addresses);
            } else {
                refuse(name, *text, list.error);
            }
        }
    }

    void path(std::string_view name, std::string& target) {
        if (const auto text = next(name)) {
            if (text->empty()) {
                refuse(name, *text, "a path");
            } else {
                target = *text;
            }
        }
    }

    void faults();

    const std::string& error() const { return m_error; }

private:
    // The value to read: the last one given, none after an error.
    std::optional<std::string> next(std::string_view name) const {
        return m_error.empty() ? m_given.value(name) : std::nullopt;
    }
    void refuse(std::string_view name, std::string_view text, std::string_view expected) {
        m_error = options::BadValue(name, text, expected);
    }
    void fault(std::string_view text, FaultSet& faults);
    void moduleFault(std::string_view text);

    const options::Arguments& m_given;
    Options& m_options;
    std::string m_error;
};

// The whole bus's faults first, so that a module's own ("silent@5") go on
// top of them wherever they were given. Reads after the addresses.
void ValueReader::faults() {
    const std::vector<std::string> given = m_given.values("fault");
    for (const std::string& text : given) {
        if (m_error.empty() && text.find('@') == std::string::npos) {
            fault(text, m_options.faults);
        }
    }
    for (const std::string& text : given) {
        if (m_error.empty() && text.find('@') != std::string::npos) {
            moduleFault(text);
        }
    }
}

// "F@LIST": the fault F for the modules first at the addresses of LIST.
void ValueReader::moduleFault(std::string_view text) {
    const std::size_t at = text.find('@');
    const std::string_view own = text.substr(0, at);
    const std::string_view name = own.substr(0, own.find('='));
    if (name == "split" || name == "garbage" || name == "unplug") {
        m_error = options::BadValue("fault", text,
                                    std::string(name) + " is the whole line's: give it without @");
        return;
    }
    const codec::AddressList modules =
        codec::ParseAddressList(text.substr(at + 1), codec::kLowestAddress, kHighestAddress);
    if (!modules.error.empty()) {
        m_error = options::BadValue("fault", text, modules.error);
        return;
    }
    for (const std::uint8_t address : modules.addresses) {
        if (std::ranges::find(m_options.addresses, address) == m_options.addresses.end()) {
            m_error = options::BadValue("fault", text,
                                        "no module at address " + std::to_string(address) +
                                            ": give addresses of --address");
            return;
        }
        fault(own, m_options.moduleFaults.try_emplace(address, m_options.faults).first->second);
        if (!m_error.empty()) {
            return;
        }
    }
}

// One --fault: a name, and after '=' the value some of them take.
void ValueReader::fault(std::string_view text, FaultSet& faults) {
    const std::size_t equals = text.find('=');
    const std::string_view name = text.substr(0, equals);
    const std::string_view value =
        equals == std::string_view::npos ? std::string_view() : text.substr(equals + 1);
    if (name == "silent" || name == "exception" || name == "short" || name == "double") {
        if (equals != std::string_view::npos) {
            m_error = "--fault " + std::string(name) + " takes no value";
            return;
        }
        (name == "silent"      ? faults.silent
         : name == "exception" ? faults.exception
         : name == "short"     ? faults.shortFrame
                               : faults.doubled) = true;
        return;
    }
    const auto refuse = [this, text](std::string_view expected) {
        m_error = options::BadValue("fault", text, expected);
    };
    if (name == "bad-crc") {
        if (const auto share = options::ReadDecimal(value, 0.0, 1.0)) {
            faults.badCrcShare = *share;
        } else {
            refuse("a share from 0 to 1");
        }
    } else if (name == "split") {
        if (const auto gap = options::ReadInteger(value, 1, 60'000)) {
            faults.splitMs = static_cast<int>(*gap);
        } else {
            refuse(Within("milliseconds", 1, 60'000));
        }
    } else if (name == "garbage") {
        if (const auto rate = options::ReadInteger(value, 1, 1'000'000'000)) {
            faults.garbagePerSecond = *rate;
        } else {
            refuse(Within("bytes a second", 1, 1'000'000'000));
        }
    } else if (name == "unplug") {
        if (const auto after = options::ReadDecimal(value, 0.0, 1e6)) {
            faults.unplugAfterSeconds = *after;
        } else {
            refuse("seconds, 0 or more");
        }
    } else {
        m_error = "unknown fault '" + std::string(name) +
                  "' (silent, exception, bad-crc=P, short, split=MS, double, garbage=N, unplug=S)";
    }
}

ParsedOptions Failed(std::string error) {
    ParsedOptions parsed;
    parsed.outcome = ParsedOptions::Outcome::Error;
    parsed.error = std::move(error);
    return parsed;
}

} // namespace

ParsedOptions ParseOptions(const std::vector<std::string_view>& args) {
    const options::ParsedArguments read = options::ParseArguments(kOptions, args);
    const options::Arguments& given = read.arguments;
    ParsedOptions parsed;
    if (given.has("help")) {
        parsed.outcome = ParsedOptions::Outcome::Help;
        return parsed;
    }
    if (given.has("version")) {
        parsed.outcome = ParsedOptions::Outcome::Version;
        return parsed;
    }
    if (!read.error.empty()) {
        return Failed(read.error);
    }
    if (!given.positionals.empty()) {
        return Failed("unexpected argument '" + given.positionals.front() + "'");
    }
    Options& o = parsed.options;
    o.drift = !given.has("no-drift");
    ValueReader reader(given, o);
    reader.addresses("address", o.addresses);
    reader.hundredths("humidity", kHumidityMin, kHumidityMax, "%RH", o.humidity);
    reader.hundredths("temperature", kTemperatureMin, kTemperatureMax, "degrees", o.temperature);
    reader.hundredths("noise", 0, ReadNoise::kMaxAmplitude, "", o.noise);
    reader.integer("baud", 0, 10'000'000, "", o.baud);
    reader.integer("delay", 0, 60'000, "milliseconds", o.delayMs);
    std::uint32_t seed = 0;
    reader.integer("seed", 0, std::numeric_limits<std::uint32_t>::max(), "", seed);
    if (given.has("seed")) {
        o.seed = seed;
    }
    reader.faults();
    reader.path("link", o.linkPath);
    reader.path("log", o.logPath);
    if (!reader.error().empty()) {
        return Failed(reader.error());
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

Several addresses put a bus of modules on the one line, one at each address.
Each module answers at its own address only, starts 1.00 %RH and 1.00 degree
above the module before it in the list (wrapping to the bottom of a range),
and drifts, flickers and changes its address on its own. Every module answers
the address read at 250: with more than one on the line their answers collide,
bits OR-ed as an RS-485 fail-safe receiver reads two drivers at once, and the
master gets garbage.

Options:
  --address LIST   bus addresses, 1 to 247, in a list such as 1-8 or 1,3,5-7
                   (default 1)
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
                   F@LIST gives a fault to the modules at LIST only, as they
                   were first addressed, on top of every module's faults:
                   silent@5, bad-crc=0.5@3,4. split, garbage and unplug are
                   the whole line's and take no @
  -h, --help       show this help and exit
  --version        show the version and exit

Exit status: 0 when stopped or unplugged, 1 on a system error, 2 on bad options.
)";
}

std::string VersionText() {
    return "ht5530k-sim " + std::string(ht5530k::kVersion) + "\n";
}

} // namespace sim
