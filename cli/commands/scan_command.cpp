#include <array>
#include <cstdio>
#include <deque>
#include <unistd.h>

#include "cli/commands/address_read.h"
#include "cli/commands/command_support.h"
#include "cli/commands/commands.h"
#include "cli/commands/scan_plan.h"
#include "cli/output/diagnostics.h"
#include "cli/output/exit_codes.h"
#include "cli/output/row_output.h"
#include "codec/frames.h"
#include "options/number_reading.h"

namespace cli {

namespace {

const std::vector<int> kAllBauds(ModuleBauds().begin(), ModuleBauds().end());
constexpr AddressRange kDefaultRange{1, 35};

constexpr std::array kOptions{
    OptionSpec{"bauds", 0, "LIST",
               "rates to try, e.g. 9600,19200 (default all four,\n"
               "or the one of --baud)"},
    OptionSpec{"addresses", 0, "A-B", "addresses to read at each rate (default 1-35)"},
    OptionSpec{"format", 0, "text|jsonl", "how modules found are printed\n(default text)"},
};

std::string Seconds(long long ms) {
    char text[32];
    std::snprintf(text, sizeof text, "%.1f s", static_cast<double>(ms) / 1000.0);
    return text;
}

std::string Describe() {
    std::string timeouts;
    for (const int baud : kAllBauds) {
        timeouts += (timeouts.empty() ? "" : ", ") + std::to_string(ScanTimeoutMs(baud)) +
                    " ms at " + std::to_string(baud);
    }
    return "Finds modules on the line. At each rate: the address read (to 250, which\n"
           "every module answers), then a register read at each address of the range,\n"
           "and at the address the address read named if that lies outside it: so\n"
           "every module of a line of several is found. The address read listens for\n"
           "its whole time-out; when several modules answered it and their answers\n"
           "collided (a garbled answer, or bytes after a sound one), a line on\n"
           "standard error says so, and the reads at each address go on.\n"
           "Each request waits for its answer as long as --timeout says; without it, a\n"
           "short time-out of its own: the line time of the request and its answer at\n"
           "11 bits a character, and 50 ms for the module:\n  " +
           timeouts + " baud.\nA full default scan takes at most " +
           Seconds(ScanWorstCaseMs(kAllBauds, kDefaultRange)) +
           "; with --timeout MS at most\n"
           "(addresses + 2) x 2 x rates x MS (each time-out and, before the next\n"
           "request, the line quiet as long again), " +
           Seconds(ScanWorstCaseMs(kAllBauds, kDefaultRange, 500)) +
           " for all 35 at all four rates with 500 ms.\n"
           "When nothing is found, a last line on standard error says what was tried.\n\n"
           "Prints one line per module found: \"9600 baud, address 17: humidity 45.00 %RH\";\n"
           "with --format jsonl one JSON object with the keys baud, address and humidity.\n"
           "Exit status 4 when no module answered.\n";
}

struct Found {
    int baud;
    int address;
};

// One rate after the other, one request at a time.
class ScanRun {
public:
    ScanRun(Session& session, std::vector<int> bauds, AddressRange range, bool json,
            std::optional<int> timeoutMs, std::string plan)
        : m_session(session), m_bauds(std::move(bauds)), m_range(range), m_json(json),
          m_timeoutMs(timeoutMs), m_plan(std::move(plan)) {}

    void start() { nextBaud(); }

private:
    void nextBaud() {
        if (m_baudIndex >= m_bauds.size()) {
            if (m_found.empty()) {
                PrintError(std::string(m_anyAnswer ? "no module found" : "nothing answered") +
                           ": tried the address read (to 250) and a register read at addresses " +
                           std::to_string(m_range.first) + "-" + std::to_string(m_range.last) +
                           ", at " + m_plan);
            }
            m_session.finish(m_found.empty() ? kNoAnswer : kSuccess);
            return;
        }
        const int baud = m_bauds[m_baudIndex];
        if (!m_session.port().setBaud(baud)) {
            PrintError("cannot set " + std::to_string(baud) + " baud on the port");
            m_session.finish(kPortError);
            return;
        }
        m_session.trace().note("scanning at " + std::to_string(baud) + " baud");
        m_session.exchange(
            codec::AddressRead().bytes, AddressReadHearingAll(),
            [this](const Session::Exchange& exchange) { addressRead(exchange); },
            ScanTimeoutMs(baud, m_timeoutMs));
    }

    void addressRead(const Session::Exchange& exchange) {
        m_pending.clear();
        for (int address = m_range.first; address <= m_range.last; ++address) {
            m_pending.push_back(address);
        }
        m_named.reset();
        if (const auto collision = Collision(exchange)) {
            m_anyAnswer = true;
            PrintError("at " + std::to_string(m_bauds[m_baudIndex]) +
                       " baud the address read (to 250) collided: more than one module answered (" +
                       *collision + "); each address is read in turn");
        }
        // A sound first answer names a module even when others followed it.
        if (exchange.ok()) {
            m_anyAnswer = true;
            m_named = exchange.attempt.received[0];
            if (*m_named < m_range.first || *m_named > m_range.last) {
                m_pending.push_back(*m_named);
            }
        }
        nextAddress();
    }

    void nextAddress() {
        if (m_pending.empty()) {
            ++m_baudIndex;
            nextBaud();
            return;
        }
        const int address = m_pending.front();
        m_pending.pop_front();
        m_session.exchange(
            master::ReadRequest(address, 1).bytes, master::RegisterReadExpectation(address, 1),
            [this, address](const Session::Exchange& exchange) { registerRead(address, exchange); },
            ScanTimeoutMs(m_bauds[m_baudIndex], m_timeoutMs));
    }

    void registerRead(int address, const Session::Exchange& exchange) {
        const int baud = m_bauds[m_baudIndex];
        if (exchange.ok()) {
            m_found.push_back({baud, address});
            const master::Reading reading = master::ReadingOf(exchange.attempt.answer(), 1);
            const std::string humidity =
                reading.humidity ? Hundredths(*reading.humidity) : std::string();
            const std::string row =
                m_json ? "{\"baud\":" + std::to_string(baud) +
                             ",\"address\":" + std::to_string(address) +
                             ",\"humidity\":" + (humidity.empty() ? "null" : humidity) + "}\n"
                       : std::to_string(baud) + " baud, address " + std::to_string(address) + ": " +
                             (humidity.empty() ? "no reading" : "humidity " + humidity + " %RH") +
                             "\n";
            if (!m_out.write(row)) {
                PrintError(m_out.error());
                m_session.finish(kOutputError);
                return;
            }
        } else if (m_named && *m_named == address) {
            PrintError("at " + std::to_string(baud) + " baud a module answered the address read " +
                       "with " + std::to_string(address) + ", but a register read there got " +
                       std::string(master::OutcomeName(exchange.attempt.verdict.outcome)));
        }
        nextAddress();
    }

    Session& m_session;
    std::vector<int> m_bauds;
    AddressRange m_range;
    bool m_json;
    std::optional<int> m_timeoutMs; // --timeout, when given
    std::string m_plan;             // the rates and their time-outs, for the end
    bool m_anyAnswer = false;       // some module answered the address read
    std::size_t m_baudIndex = 0;
    std::deque<int> m_pending;
    std::optional<int> m_named;
    std::vector<Found> m_found;
    RowOutput m_out{STDOUT_FILENO, "standard output"};
};

int Run(const Invocation& call) {
    std::string error;
    std::vector<int> bauds = call.line.baud ? std::vector<int>{*call.line.baud} : kAllBauds;
    AddressRange range = kDefaultRange;
    const auto format = ChoiceOption(call.arguments, "format", {"text", "jsonl"}, error);
    if (const auto list = call.arguments.value("bauds")) {
        if (const auto parsed = ParseBauds(*list)) {
            bauds = *parsed;
        } else {
            error = options::BadValue("bauds", *list,
                                      "rates from 4800, 9600, 14400, 19200, separated by commas");
        }
    }
    if (const auto text = call.arguments.value("addresses")) {
        if (const auto parsed = ParseAddressRange(*text)) {
            range = *parsed;
        } else {
            error = options::BadValue("addresses", *text, "A-B with 1 <= A <= B <= 255");
        }
    }
    if (error.empty() && !call.arguments.positionals.empty()) {
        error = "scan takes no arguments";
    }
    if (!error.empty()) {
        PrintUsageError("scan", error);
        return kUsage;
    }
    const std::optional<int> timeoutMs =
        call.arguments.has("timeout") ? std::optional(call.line.timeoutMs) : std::nullopt;
    std::string plan;
    for (const int baud : bauds) {
        plan += (plan.empty() ? "" : ", ") + std::to_string(baud) + " baud (time-out " +
                std::to_string(ScanTimeoutMs(baud, timeoutMs)) + " ms)";
    }
    std::fprintf(stderr, "ht5530k-cli: scanning addresses %d-%d at %s; at most %s\n", range.first,
                 range.last, plan.c_str(),
                 Seconds(ScanWorstCaseMs(bauds, range, timeoutMs)).c_str());

    Session session(call.line);
    // The rates are the plan's, never comm.set's.
    if (const int status = session.open(bauds.front()); status != kSuccess) {
        return status;
    }
    ScanRun run(session, std::move(bauds), range, *format == "jsonl", timeoutMs, plan);
    run.start();
    return session.run();
}

} // namespace

const Command kScanCommand{
    "scan",
    "[--bauds LIST] [--addresses A-B] [--format text|jsonl]",
    "find modules: each baud rate, a range of addresses",
    Describe,
    kOptions,
    Run,
};

} // namespace cli
