#include <array>
#include <cstdio>

#include "cli/commands/command_support.h"
#include "cli/commands/commands.h"
#include "cli/output/diagnostics.h"
#include "cli/output/exit_codes.h"
#include "cli/session.h"
#include "serial_ports/qt_port_list.h"
#include "serial_ports/report_format.h"

namespace cli {

namespace {

constexpr std::array kOptions{
    OptionSpec{"format", 0, "text|json", "how the list is printed (default text)"},
};

std::string Describe() {
    return R"(Lists every serial port of this machine, and every device a COMn link of the
window's settings folder points to (the pseudo-terminal of ht5530k-sim, for
one). For each port: its device path; the window's COM numbers that open it
now, as the window maps them (a COMn link in the settings folder, else
/dev/ttyUSB<n-1>, else /dev/ttyS<n-1>); its stable names in
/dev/serial/by-id and /dev/serial/by-path; VID:PID, manufacturer, product and
serial number of a USB adapter; whether this user may open it and what lets
them; and whether another process holds it, by a lock file (LCK..name in
/var/lock and the other lock folders) or by having it open, as far as this
user can see other processes.

json prints an array, one object a port, with the keys device, kind (usb,
uart, pseudo-terminal, device), by_id, by_path, description, manufacturer,
serial_number, vid_pid ("0403:6001"), driver, latency_timer_ms,
window_ports (["COM1"]), links, may_open, access, held_by (objects with pid,
command, how), stale_locks and other_end (the process at the far end of a
pseudo-terminal); null where a port has no such value.
)";
}

int Run(const Invocation& call) {
    std::string error;
    const auto format = ChoiceOption(call.arguments, "format", {"text", "json"}, error);
    if (!format) {
        PrintUsageError("ports", error);
        return kUsage;
    }
    if (!call.arguments.positionals.empty()) {
        PrintUsageError("ports", "ports takes no arguments");
        return kUsage;
    }
    const std::vector<serial_ports::PortRow> rows =
        serial_ports::ListPortsWithQt(serial_ports::ThisMachine(), ProgramSettings().folder);
    if (*format == "json") {
        std::fputs(serial_ports::PortsJson(rows).constData(), stdout);
    } else if (rows.empty()) {
        PrintError("no serial ports found");
    } else {
        std::fputs(serial_ports::PortsText(rows).toLocal8Bit().constData(), stdout);
    }
    return kSuccess;
}

} // namespace

const Command kPortsCommand{
    "ports",  "",       "list the serial ports, their stable names and COM numbers",
    Describe, kOptions, Run,
};

} // namespace cli
