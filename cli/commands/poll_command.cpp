#include <array>
#include <cmath>
#include <cstdio>
#include <functional>
#include <memory>
#include <unistd.h>

#include "cli/commands/command_support.h"
#include "cli/commands/commands.h"
#include "cli/commands/poll_run.h"
#include "cli/options/listen_address.h"
#include "cli/options/module_names.h"
#include "cli/options/mqtt_options.h"
#include "cli/output/diagnostics.h"
#include "cli/output/exit_codes.h"
#include "cli/output/log_file.h"
#include "cli/output/metrics_registry.h"
#include "cli/output/metrics_server.h"
#include "cli/output/mqtt_publisher.h"
#include "options/number_reading.h"

namespace cli {

namespace {

// At the end, how long the broker may take to receive the last messages.
constexpr int kMqttFlushMs = 2000;

constexpr std::array kOptions{
    OptionSpec{"interval", 0, "MS",
               "a round every MS milliseconds, 10 to 86400000\n"
               "(needed): one request to each address of -a"},
    OptionSpec{"count", 0, "N", "stop after N rounds (one exchange each with one\naddress)"},
    OptionSpec{"duration", 0, "S", "stop after S seconds (decimals allowed)"},
    kGapOption,
    OptionSpec{"registers", 0, "1|2", "1: humidity only (default); 2: humidity\nand temperature"},
    OptionSpec{"format", 0, "csv|jsonl|text|influx",
               "how rows are written (default csv); influx:\nInfluxDB line protocol"},
    OptionSpec{"output", 'o', "FILE",
               "write the rows to FILE (replaced) instead of standard\n"
               "output; SIGHUP opens FILE again (for logrotate)"},
    OptionSpec{"append", 0, "",
               "add to FILE instead of replacing it, when its\nrows are of the same format"},
    OptionSpec{"reconnect", 0, "",
               "keep polling when the port is lost, and open\nit again when it is back"},
    OptionSpec{"config", 0, "FILE",
               "read options from FILE, one a line (\"interval 10000\");\n"
               "those on the command line win"},
    OptionSpec{"metrics", 0, "HOST:PORT",
               "serve the last readings to Prometheus at\n"
               "http://HOST:PORT/metrics, as 127.0.0.1:9530"},
    OptionSpec{"name", 0, "ADDRESS=NAME",
               "name the module at ADDRESS, for the outputs that\n"
               "name modules; once for each module named"},
    OptionSpec{"mqtt", 0, "URL",
               "publish the readings to an MQTT broker, with Home\n"
               "Assistant discovery: mqtt://[user@]host[:port] or\n"
               "mqtts://... (TLS, the system's CA certificates)"},
    OptionSpec{"mqtt-password-file", 0, "FILE", "the broker password: FILE's first line"},
    OptionSpec{"mqtt-topic", 0, "BASE", "the topics' beginning (default ht5530k/PORTNAME)"},
    OptionSpec{"mqtt-discovery-prefix", 0, "P",
               "Home Assistant's discovery prefix (default\nhomeassistant)"},
};

// The rows of each --format, and the metrics endpoint.
constexpr const char* kOutputs =
    R"(CSV columns, in this order: time (ISO 8601 UTC with milliseconds, when the
request went out), address, outcome (ok, timeout, crc, exception, short,
wrong-address, wrong-function, skipped, or lost with --reconnect),
response_ms, humidity and temperature (two decimals, empty when absent), raw
(hex of the bytes received). JSON lines carry the same keys, absent values as
null, and end with the summary: an object with "summary":"address" for each
address and one with "summary":"total".

InfluxDB line protocol (--format influx), one line a row, for Telegraf's
inputs.execd or InfluxDB's /write: measurement ht5530k; tags address, name
(when --name gives one) and port (as given with -p, e.g. a /dev/serial/by-id
name); fields humidity and temperature (when read), response_ms (when an
answer arrived) and outcome (a string); the time the request went out, in
nanoseconds. Commas, equals signs and spaces in tags are escaped with a
backslash. The summary goes to standard error only.

--metrics HOST:PORT serves the last readings to Prometheus at
http://HOST:PORT/metrics; a scrape never sends a request on the line. HOST is
an IPv4 address, [an IPv6 address], localhost or nothing (every address).
Series, labelled port, address and name: ht5530k_relative_humidity_percent
and ht5530k_temperature_celsius (the last reading, kept after a failed
exchange; none for a module never read), ht5530k_up (1 when the last
exchange had a sound answer), ht5530k_last_success_timestamp_seconds,
ht5530k_exchanges_total by outcome and the histogram
ht5530k_response_seconds. An address that is malformed or cannot be listened
at ends the run before the port is opened, with status 2.)";

// poll --help on names and the options file.
constexpr const char* kNamesHelp =
    R"(--name 3="Boiler room" names a module for the outputs that carry names; it
is given once for each module named. --config FILE reads options from FILE,
for a service: one a line, the long name without dashes, a space and the
value to the end of the line ("address 1-8", "name 3=Boiler room"), a flag
alone ("reconnect"); blank lines and lines starting with # are skipped. The
options on the command line win over the file's; --name from both add up.

)";

// poll --help on --mqtt.
constexpr const char* kMqttHelp =
    R"(--mqtt URL publishes every turn to an MQTT broker as well, for Home
Assistant and the like: mqtt://[user@]host[:port] (port 1883) or mqtts://...
(8883; TLS, the broker checked against the system's CA certificates). The
password is the first line of --mqtt-password-file FILE, never an argument.
The topics begin with BASE: --mqtt-topic, by default ht5530k/ and the port's
last path component, each character other than a letter, a digit, '.', '_'
or '-' made '_' (ht5530k/ttyUSB0).
  BASE/ADDRESS/state         each exchange's row as a JSON object with the
                             keys of a JSON line; a failed one has nulls
  BASE/ADDRESS/availability  online; offline once the module is backed off
                             or the port is lost (retained)
  BASE/status                online while connected; offline at the end,
                             and as the last will if the program dies
Skipped and lost turns publish no state. Home Assistant's MQTT discovery
goes under homeassistant/ (--mqtt-discovery-prefix P), retained, and again
whenever P/status says online: a device for each module, named by --name or
"HT5530K ADDRESS", identified by BASE and the address, with the port as its
hardware version; a humidity sensor, and with --registers 2 a temperature
sensor. A broker absent or lost costs the poll nothing: it is tried again
after 1 s, 2 s, 4 s, ... up to every 60 s, and standard error says so once
for each outage and once when it is back.

)";

std::string Describe() {
    return R"(Reads the module at an interval, one row per exchange, each written and
flushed as it happens: a crash or Ctrl-C loses at most the row under way.
Without --count or --duration it runs until stopped (Ctrl-C, SIGTERM).
At the end, and on SIGINT or SIGTERM, a summary goes to standard error: the
requests sent (a retry is one), answered, timeouts, CRC errors, exceptions,
other corrupt answers, the loss in %, the late requests and the response time
min/median/max. On a terminal a status line shows the run as it goes.

There is never more than one request on the line: when an answer or its
time-out outlasts the interval, the next request waits for it and goes out
at once (late), and the ticks that passed meanwhile are skipped.

Several modules on one line: -a 1-8 (or 1,3,5-7) polls each address in turn,
in the order given; --interval is then the period of a round, one request to
each address, and --count counts rounds. A round that outlasts the interval
makes the next one late, as above. An answer from another address than the
one asked is wrong-address and never credited. A module that times out three
times in a row is asked every 2nd round, then every 4th, 8th, ... up to every
32nd while it stays silent, so that it does not hold up the others; each turn
it misses is a row with the outcome skipped, and it is asked every round again
as soon as it answers. The summary then has a line for each address (sent,
answered, loss, response times, turns skipped and lost) and the counts in all.

)" + std::string(kOutputs) +
           R"(

Running for months: with --reconnect a lost port (an adapter pulled, the
program behind a pseudo-terminal ended) no longer ends the run. One message
says so; each turn while it is away is a row with the outcome lost (no
request is sent), and the port is looked for at its path every second, so a
/dev/serial/by-id name or a COMn link finds the device again wherever it
comes back. A device missing when the run starts (an adapter not yet
plugged in) is waited for in the same way. The summary counts the outages
and the turns lost. Without --reconnect a lost port ends the run with
status 3.

--append adds the rows to an existing FILE: a CSV file must begin with the
same header, a JSON lines file with a row of the same keys, an influx file
with a line of the measurement ht5530k (text is not checked), else the run
does not start (status 2). The header goes only into an empty file. A last
row cut short (a crash mid-row) is cut off first.
SIGHUP closes FILE and opens it again at its path, adding to what is there:
rename the file, then send SIGHUP (logrotate's convention). Every row is in
exactly one of the two files.

)" + kNamesHelp +
           kMqttHelp +
           R"(Exit status 1 when some exchanges failed or a signal cut one short (the
summary then says the last request was interrupted); when none got a sound
answer, the status of the last failure (3 for lost, 4, 5 or 6). When a row cannot be
written (a full disk, a closed standard output), the run ends at once with
status 8, and the file ends at its last whole row.
)";
}

// --duration: seconds above 0, up to a billion.
std::optional<std::chrono::milliseconds> Seconds(std::string_view text) {
    const auto seconds = options::ReadDecimal(text, 0.0, 1e9);
    if (!seconds || *seconds <= 0) {
        return std::nullopt;
    }
    return std::chrono::milliseconds(std::llround(*seconds * 1000.0));
}

// The settings of the options, or nothing after a usage error was printed.
std::optional<PollSettings> Settings(const Invocation& call) {
    const Arguments& arguments = call.arguments;
    PollSettings settings;
    settings.addresses = call.line.addresses;
    std::string error;
    const auto registers = RegistersOption(arguments, error);
    const auto format =
        ChoiceOption(arguments, "format", {"csv", "jsonl", "text", "influx"}, error);
    const auto interval = arguments.value("interval");
    const auto count = arguments.value("count");
    const auto duration = arguments.value("duration");
    if (error.empty() && !arguments.positionals.empty()) {
        error = "poll takes no arguments";
    }
    if (error.empty() && !interval) {
        error = "poll needs --interval MS";
    }
    if (error.empty() && arguments.has("append") && !arguments.has("output")) {
        error = "--append needs --output FILE";
    }
    if (error.empty()) {
        if (const auto ms = options::ReadInteger(*interval, 10, 86'400'000)) {
            settings.intervalMs = static_cast<int>(*ms);
        } else {
            error = options::BadValue("interval", *interval, "10 to 86400000 milliseconds");
        }
    }
    if (error.empty() && count && duration) {
        error = "give --count or --duration, not both";
    }
    if (error.empty() && count) {
        settings.count = options::ReadInteger(*count, 1, 1'000'000'000'000);
        if (!settings.count) {
            error = options::BadValue("count", *count, "a whole number of rounds from 1");
        }
    }
    if (error.empty() && duration) {
        settings.duration = Seconds(*duration);
        if (!settings.duration) {
            error = options::BadValue("duration", *duration, "seconds above 0");
        }
    }
    if (error.empty()) {
        auto names = ReadModuleNames(arguments.values("name"), settings.addresses);
        if (auto* read = std::get_if<std::map<int, std::string>>(&names)) {
            settings.names = std::move(*read);
        } else {
            error = std::get<std::string>(names);
        }
    }
    if (!error.empty()) {
        PrintUsageError("poll", error);
        return std::nullopt;
    }
    settings.registers = *registers;
    settings.format = *format;
    return settings;
}

// --metrics: listening before the serial port is opened, so that a bad or
// busy address stops the run before it touches the line. The exit status
// when it cannot listen.
std::optional<int> ListenForMetrics(const Arguments& arguments, MetricsServer& server) {
    const auto given = arguments.value("metrics");
    if (!given) {
        return std::nullopt;
    }
    const auto address = ReadListenAddress("metrics", *given);
    if (const auto* error = std::get_if<std::string>(&address)) {
        PrintUsageError("poll", *error);
        return kUsage;
    }
    if (const auto error = server.listen(std::get<ListenAddress>(address))) {
        PrintError(*error);
        return kUsage;
    }
    return std::nullopt;
}

// SIGHUP with --output: the file opened again; the CSV header when it is new.
std::function<std::string()> ReopenOnHangUp(LogFile& file, const std::string& format) {
    return [&file, format]() -> std::string {
        if (const auto error = file.reopen()) {
            PrintError(*error + "; the rows go on into the file as it was");
            return {};
        }
        if (!file.note().empty()) {
            PrintError(file.note());
        }
        return format == "csv" && file.empty() ? CsvHeader() : std::string();
    };
}

// --mqtt: what publishes the turns of `run`, for the port as given, told of
// them and connecting; none without --mqtt.
std::unique_ptr<MqttPublisher> Publisher(std::optional<MqttSettings>& broker,
                                         const Session& session, const PollSettings& chosen,
                                         PollRun& run) {
    if (!broker) {
        return nullptr;
    }
    const std::string port = session.line().port.toStdString();
    const std::string base = broker->baseTopic.value_or(DefaultBaseTopic(port));
    auto publisher = std::make_unique<MqttPublisher>(MqttPublisher::Plan{
        std::move(*broker), base, port, chosen.addresses, chosen.names, chosen.registers});
    run.addListener(*publisher);
    publisher->start();
    return publisher;
}

int Run(const Invocation& call) {
    const std::optional<PollSettings> settings = Settings(call);
    if (!settings) {
        return kUsage;
    }
    std::string error;
    const auto gap = GapOption(call.arguments, error);
    auto mqtt = ReadMqttOptions(call.arguments);
    if (const auto* bad = std::get_if<std::string>(&mqtt); bad != nullptr && error.empty()) {
        error = *bad;
    }
    if (!error.empty()) {
        PrintUsageError("poll", error);
        return kUsage;
    }
    MetricsServer metrics;
    if (const auto status = ListenForMetrics(call.arguments, metrics)) {
        return *status;
    }
    Session session(call.line);
    if (call.arguments.has("reconnect")) {
        session.keepLine(kReopenMs);
    }
    if (const int status = session.open(); status != kSuccess) {
        return status; // before --output is touched: an old log stays as it was
    }
    session.setGap(*gap);
    PollSettings chosen = *settings;
    LogFile file;
    const auto output = call.arguments.value("output");
    if (output) {
        if (const auto error = file.open(*output, chosen.format, call.arguments.has("append"))) {
            PrintUsageError("poll", *error);
            return kUsage;
        }
        if (!file.note().empty()) {
            PrintError(file.note());
        }
        chosen.header = file.empty();
    }
    RowOutput rows(output ? file.fd() : STDOUT_FILENO, output.value_or("standard output"));
    PollRun run(session, chosen, rows);
    std::optional<MetricsRegistry> registry;
    if (call.arguments.has("metrics")) {
        registry.emplace(session.line().port.toStdString(), chosen.addresses, chosen.names);
        run.addListener(*registry);
        metrics.serve([&registry] { return registry->text(); });
    }
    run.onHangUp = output ? ReopenOnHangUp(file, chosen.format) : nullptr;
    const std::unique_ptr<MqttPublisher> publisher =
        Publisher(std::get<std::optional<MqttSettings>>(mqtt), session, chosen, run);
    run.start();
    const int status = session.run();
    if (publisher) {
        publisher->finish(kMqttFlushMs);
    }
    return status;
}

} // namespace

const Command kPollCommand{
    "poll",
    "--interval MS [--count N | --duration S] [--gap MS] [--registers 1|2] "
    "[--format csv|jsonl|text|influx] [--output FILE] [--append] [--reconnect] "
    "[--metrics HOST:PORT] [--name ADDRESS=NAME]... [--config FILE] "
    "[--mqtt URL [--mqtt-password-file FILE] [--mqtt-topic BASE] [--mqtt-discovery-prefix P]]",
    "read one or several modules at an interval, one row per exchange",
    Describe,
    kOptions,
    Run,
};

} // namespace cli
