#include <array>
#include <unistd.h>

#include "cli/command_support.h"
#include "cli/commands.h"
#include "cli/diagnostics.h"
#include "cli/exit_codes.h"
#include "cli/row_output.h"

namespace cli {

namespace {

constexpr std::array kOptions{
    OptionSpec{"registers", 0, "1|2", "1: humidity only (default); 2: humidity\nand temperature"},
    OptionSpec{"format", 0, "text|json|csv", "how the reading is printed (default text)"},
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
)";
}

// The row on standard output; false after a message when it cannot be written.
bool Print(const std::string& format, const Row& row) {
    std::string text;
    if (format == "json") {
        text = JsonRow(row);
    } else if (format == "csv") {
        text = CsvHeader() + CsvRow(row);
    } else {
        const master::Reading& reading = row.reading;
        text = reading.humidity ? "humidity " + Hundredths(*reading.humidity) + " %RH\n"
                                : std::string("humidity: no reading\n");
        if (reading.registers >= 2) {
            text += reading.temperature
                        ? "temperature " + Hundredths(*reading.temperature) + " °C\n"
                        : std::string("temperature: no reading\n");
        }
    }
    RowOutput out(STDOUT_FILENO, "standard output");
    if (!out.write(text)) {
        PrintError(out.error());
        return false;
    }
    return true;
}

int Run(const Invocation& call) {
    std::string error;
    const auto registers = RegistersOption(call.arguments, error);
    const auto format = ChoiceOption(call.arguments, "format", {"text", "json", "csv"}, error);
    if (!registers || !format) {
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
    const int address = call.line.address;
    session.exchange(master::ReadRequest(address, *registers).bytes,
                     master::RegisterReadExpectation(address, *registers),
                     [&](const Session::Exchange& exchange) {
                         const int code = ExitCodeOf(exchange.attempt.verdict.outcome);
                         if (!exchange.ok()) {
                             PrintError(FailureText(exchange, call.line.timeoutMs));
                         }
                         // In text a failure has no row; in json and csv it has.
                         if ((exchange.ok() || *format != "text") &&
                             !Print(*format, RowOf(address, exchange, *registers))) {
                             session.finish(kOutputError);
                             return;
                         }
                         session.finish(code);
                     });
    return session.run();
}

} // namespace

const Command kReadCommand{
    "read",
    "[--registers 1|2] [--format text|json|csv]",
    "read the humidity (and temperature) once",
    Describe,
    kOptions,
    Run,
};

} // namespace cli
