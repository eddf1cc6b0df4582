#include <cstdio>

#include "cli/commands/address_read.h"
#include "cli/commands/command_support.h"
#include "cli/commands/commands.h"
#include "cli/output/diagnostics.h"
#include "cli/output/exit_codes.h"
#include "codec/frames.h"

namespace cli {

namespace {

std::string Describe() {
    return R"(Asks the module on the line for its address, as the window's 读地址 (read
address) does: the address read goes to the shared address 250, which every
module answers, and the module's own address is byte 0 of the answer. Prints
that address. It listens for the whole --timeout, so that a second module's
answer is heard too. With more than one module on the line the answers
collide: it then says that more than one module answered, prints no address
and ends with status 5. Keep only one connected, or find them all with scan,
which reads each address in turn.
)";
}

int Run(const Invocation& call) {
    if (!call.arguments.positionals.empty()) {
        PrintUsageError("address", "address takes no arguments");
        return kUsage;
    }
    std::fputs("ht5530k-cli: only one module may be on the line: every module answers the "
               "address read\n",
               stderr);
    Session session(call.line);
    if (const int status = session.open(); status != kSuccess) {
        return status;
    }
    session.exchange(codec::AddressRead().bytes, AddressReadHearingAll(),
                     [&](const Session::Exchange& exchange) {
                         if (const auto collision = Collision(exchange)) {
                             PrintError(CollisionMessage(*collision));
                             session.finish(kCorrupt);
                             return;
                         }
                         if (!exchange.ok()) {
                             PrintError(FailureText(exchange, call.line.timeoutMs));
                             session.finish(ExitCodeOf(exchange.attempt.verdict.outcome));
                             return;
                         }
                         std::printf("%d\n", exchange.attempt.received[0]);
                         session.finish(kSuccess);
                     });
    return session.run();
}

} // namespace

const Command kAddressCommand{
    "address", "", "ask the module on the line for its address", Describe, {}, Run,
};

} // namespace cli
