#include <array>
#include <string>
#include <unistd.h>
#include <vector>

#include "cli/commands/command_support.h"
#include "cli/commands/commands.h"
#include "cli/output/diagnostics.h"
#include "cli/output/exit_codes.h"
#include "cli/output/row_output.h"
#include "master/bus_poll.h"

namespace cli {

namespace {

constexpr std::array kOptions{
    OptionSpec{"registers", 0, "1|2", "1: humidity only (default); 2: humidity\nand temperature"},
    OptionSpec{"format", 0, "text|json|csv", "how the reading is printed (default text)"},
    kGapOption,
};

std::string Describe() {
    return R"(Reads the module once, as the window's single read does with its default
fields: function 3 from register 0 at the address of --address. Register 0 is
the humidity in %RH, register 1 the temperature in degrees, both decoded as the
window decodes them: hundredths, two's complement above 20000, 65535 meaning
the module has no reading.

text prints "humidity 45.50 %RH" (and "temperature 23.25 °C"); json one object
with the keys time, address, outcome, response_ms, humidity, temperature (null
when not read or without a reading) and raw (the answer's hex text); csv a
header and one row with the columns of poll. A failed exchange prints nothing
in text; in json and csv it is a row as in poll, with its outcome and no
values, and the status says what failed.

With several addresses (-a 1-8, -a 1,3,5-7) each module is read once, in the
order given: text puts "address N: " before each of its lines (and before
the message of a failed exchange), json prints one object per line, csv one
header and a row for each. The status is 0 when every module answered, 1
when some did not, and that of the last failure when none did.
)";
}

// Writes `text` on standard output; false after a message when it cannot.
bool Print(const std::string& text) {
    RowOutput out(STDOUT_FILENO, "standard output");
    if (!out.write(text)) {
        PrintError(out.error());
        return false;
    }
    return true;
}

// The row as `format` prints it; in text each line after `prefix`.
std::string Text(const std::string& format, const Row& row, const std::string& prefix) {
    if (format == "json") {
        return JsonRow(row);
    }
    if (format == "csv") {
        return CsvRow(row);
    }
    const master::Reading& reading = row.reading;
    std::string text =
        prefix + (reading.humidity ? "humidity " + Hundredths(*reading.humidity) + " %RH\n"
                                   : std::string("humidity: no reading\n"));
    if (reading.registers >= 2) {
        text += prefix + (reading.temperature
                              ? "temperature " + Hundredths(*reading.temperature) + " °C\n"
                              : std::string("temperature: no reading\n"));
    }
    return text;
}

int Run(const Invocation& call) {
    std::string error;
    const auto registers = RegistersOption(call.arguments, error);
    const auto format = ChoiceOption(call.arguments, "format", {"text", "json", "csv"}, error);
    const auto gap = registers && format ? GapOption(call.arguments, error) : std::nullopt;
    if (!gap) {
        PrintUsageError("read", error);
        return kUsage;
    }
    if (!call.arguments.positionals.empty()) {
        PrintUsageError("read", "read takes no arguments");
        return kUsage;
    }
    Session session(call.line);
    if (const int status = session.open(); status != kSuccess) {
        return status;
    }
    session.setGap(*gap);
    if (*format == "csv" && !Print(CsvHeader())) {
        return kOutputError;
    }
    const std::vector<int>& addresses = call.line.addresses;
    master::BusPollPlan plan;
    plan.addresses = addresses;
    plan.registers = *registers;
    plan.timeoutMs = call.line.timeoutMs;
    plan.rounds = 1;
    master::BusPoll poll(session.exchanger(), session.clock(), plan);
    std::size_t failed = 0;
    int lastFailure = kSuccess;
    poll.onTurn = [&](const master::Turn& turn) {
        // One round: no module is backed off, every turn is an exchange.
        const Session::Exchange& exchange = *turn.exchange;
        const std::string prefix =
            addresses.size() > 1 ? "address " + std::to_string(turn.address) + ": " : "";
        if (!exchange.ok()) {
            ++failed;
            lastFailure = ExitCodeOf(exchange.attempt.verdict.outcome);
            PrintError(prefix + FailureText(exchange, call.line.timeoutMs));
        }
        // In text a failure has no row; in json and csv it has.
        if ((exchange.ok() || *format != "text") &&
            !Print(Text(*format, RowOf(turn.address, exchange, *registers), prefix))) {
            poll.stop();
            session.finish(kOutputError);
        }
    };
    poll.onFinished = [&] {
        session.finish(failed == 0                 ? kSuccess
                       : failed < addresses.size() ? kFailedExchanges
                                                   : lastFailure);
    };
    poll.start();
    return session.run();
}

} // namespace

const Command kReadCommand{
    "read",
    "[--registers 1|2] [--format text|json|csv] [--gap MS]",
    "read the humidity (and temperature) once, of one or several modules",
    Describe,
    kOptions,
    Run,
};

} // namespace cli
