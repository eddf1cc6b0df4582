#include <cstdio>

#include <QDir>

#include "cli/commands/command_support.h"
#include "cli/commands/commands.h"
#include "cli/output/diagnostics.h"
#include "cli/output/exit_codes.h"
#include "cli/session.h"
#include "serial_ports/pin.h"

namespace cli {

namespace {

std::string DescribePin() {
    return R"(Makes COMn of the window (COM1 to COM16) open DEVICE: a symbolic link named
COMn in the folder where the window looks for it, the folder of its comm.set
(beside the program when that folder is writable, else ~/.config/ht5530k,
created when missing). The link takes effect the next time the window or
ht5530k-cli opens COMn.

DEVICE is a terminal device: a path (/dev/serial/by-id/..., a pseudo-terminal,
a link to a device; one without a leading slash is taken from this folder) or
a name under /dev (ttyUSB0). A device given by its kernel name
is pinned by its /dev/serial/by-id name when it has one, so that the pin stays
with the adapter however it is plugged in again; the output says so.

An earlier COMn link is replaced at once. A COMn that is a regular file, a
folder or anything else but a link is never replaced, and DEVICE must be a
terminal or lead to one (not /dev/null).
)";
}

std::string DescribeUnpin() {
    return R"(Removes the COMn link that pin made, so that COMn of the window is
/dev/ttyUSB<n-1> again, or /dev/ttyS<n-1>; prints which. No link there is
not an error. A COMn that is not a link is never removed.
)";
}

int Finish(const char* command, const serial_ports::PinResult& result) {
    using Outcome = serial_ports::PinResult::Outcome;
    switch (result.outcome) {
    case Outcome::Done:
        std::puts(result.message.toLocal8Bit().constData());
        return kSuccess;
    case Outcome::Usage:
    case Outcome::Refused:
        PrintUsageError(command, result.message.toStdString());
        return kUsage;
    case Outcome::Missing:
        PrintError(result.message);
        return kPortError;
    case Outcome::Failed:
        break;
    }
    PrintError(result.message);
    return kNotDone;
}

int RunPin(const Invocation& call) {
    const auto& args = call.arguments.positionals;
    if (args.size() != 2) {
        PrintUsageError("pin", "pin takes a port and a device: pin COMn DEVICE");
        return kUsage;
    }
    const auto device = ReadPortArgument(QString::fromStdString(args[1]), QDir::currentPath());
    if (const QString* error = std::get_if<QString>(&device)) {
        PrintUsageError("pin", error->toStdString());
        return kUsage;
    }
    return Finish("pin", serial_ports::Pin(serial_ports::ThisMachine(), ProgramSettings().folder,
                                           QString::fromStdString(args[0]),
                                           std::get<PortArgument>(device)));
}

int RunUnpin(const Invocation& call) {
    const auto& args = call.arguments.positionals;
    if (args.size() != 1) {
        PrintUsageError("unpin", "unpin takes a port: unpin COMn");
        return kUsage;
    }
    return Finish("unpin",
                  serial_ports::Unpin(serial_ports::ThisMachine(), ProgramSettings().folder,
                                      QString::fromStdString(args[0])));
}

} // namespace

const Command kPinCommand{
    "pin", "COMn DEVICE", "make COMn of the window open DEVICE", DescribePin, {}, RunPin,
};

const Command kUnpinCommand{
    "unpin", "COMn", "remove the COMn link pin made", DescribeUnpin, {}, RunUnpin,
};

} // namespace cli
