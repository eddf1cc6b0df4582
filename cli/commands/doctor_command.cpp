#include <cstdio>

#include "cli/commands/commands.h"
#include "cli/output/diagnostics.h"
#include "cli/output/exit_codes.h"
#include "cli/session.h"
#include "serial_ports/doctor.h"
#include "serial_ports/report_format.h"

namespace cli {

namespace {

std::string Describe() {
    return R"(Finds what keeps a serial port from working, for the port of --port (COMn
as the window maps it, a device path or a name under /dev) or, without it,
for every serial port. Each finding has a verdict (ok, note, PROBLEM) and,
where something can be done, the exact command that fixes it. It checks:

  access        whether this user may open the device (group dialout, an ACL)
  login         a group membership added after this login began
  held          another process holding the port, by lock file or open file
  lock          stale lock files
  latency       an FTDI adapter's latency_timer above 1 ms, and what it costs
                a 50 ms poll
  brltty        brltty installed and claiming USB serial adapters
  modemmanager  ModemManager running and probing ttyACM adapters
  link          COMn links in the window's settings folder that lead nowhere
  comm.set      whether comm.set can be read, whether its port maps to an
                existing device and its rate is one of the module's

doctor only reads; it changes nothing. Its exit status is 0 when nothing is
wrong, 1 when something is, 3 when the port of --port does not exist.
)";
}

int Run(const Invocation& call) {
    if (!call.arguments.positionals.empty()) {
        PrintUsageError("doctor", "doctor takes no arguments; name a port with --port");
        return kUsage;
    }
    const serial_ports::DoctorReport report =
        serial_ports::RunDoctor(serial_ports::ThisMachine(), ProgramSettings(), call.line.port);
    std::fputs(serial_ports::DoctorText(report).toLocal8Bit().constData(), stdout);
    return report.exitCode();
}

} // namespace

const Command kDoctorCommand{
    "doctor", "", "find what keeps a serial port from working, and the fix", Describe, {}, Run,
};

} // namespace cli
