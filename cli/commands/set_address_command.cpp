#include <array>
#include <cstdio>

#include "cli/commands/address_read.h"
#include "cli/commands/command_support.h"
#include "cli/commands/commands.h"
#include "cli/output/diagnostics.h"
#include "cli/output/exit_codes.h"
#include "cli/output/window_texts.h"
#include "codec/frames.h"
#include "codec/protocol.h"
#include "module_setup/address_rules.h"

namespace cli {

namespace {

constexpr std::size_t kEchoLength = 8;

constexpr std::array kOptions{
    OptionSpec{"from", 0, "OLD",
               "the module's address now (default: asked with the\n"
               "address read, so only one module may be on the line)"},
};

std::string Describe() {
    return R"(Changes the module's address to NEW, as the window's 执行 (execute) does:
the address change (register 0x0B00) goes to OLD, then a register read at NEW
verifies that the module answers there. NEW and OLD pass the window's checks,
with its messages: both numbers (their integer part counts), both at least 1,
NEW different from OLD and at most 35. A refusal ends with status 2.

Without --from, OLD is what the address read answers. It listens for the
whole --timeout: when more than one module answers, their answers collide,
and it changes nothing and ends with status 5. When OLD is NEW
already, the change is not sent, only the read at NEW, and "already at NEW,
verified" ends it with status 0, so that a script can run again. With --retries every
step is sent again when it got no sound answer. When the module's echo of
the change is missing or garbled, the read at NEW still decides: the change
may have been made all the same. Status 7 when nothing answers at NEW.
)";
}

// The steps of one change, each waiting for the one before.
class AddressChange {
public:
    AddressChange(Session& session, std::string next)
        : m_session(session), m_next(std::move(next)) {}

    void fromAddressRead() {
        std::fputs("ht5530k-cli: only one module may be on the line: every module answers the "
                   "address read\n",
                   stderr);
        m_session.exchange(codec::AddressRead().bytes, AddressReadHearingAll(),
                           [this](const Session::Exchange& exchange) {
                               if (const auto collision = Collision(exchange)) {
                                   PrintError(CollisionMessage(*collision) +
                                              "; no address was changed");
                                   m_session.finish(kCorrupt);
                                   return;
                               }
                               if (!exchange.ok()) {
                                   fail("address read: ", exchange);
                                   return;
                               }
                               const int current = exchange.attempt.received[0];
                               if (module_setup::AlreadyAtAddress(current, m_next)) {
                                   m_already = true;
                                   m_to = static_cast<std::uint8_t>(current);
                                   verify();
                                   return;
                               }
                               change(std::to_string(current));
                           });
    }

    void change(const std::string& current) {
        const module_setup::ChangeDecision decision =
            module_setup::CheckAddressChange(current, m_next);
        if (!decision.request) {
            PrintError(Glossed(decision.refusal));
            m_session.finish(kUsage);
            return;
        }
        const codec::Frame& bytes = decision.request->bytes;
        m_from = bytes[0];
        m_to = bytes[5];
        // The module echoes the write, from its new address or its old one.
        const master::Expectation echo{{m_from, m_to}, codec::kWriteSingleRegister, kEchoLength};
        m_session.exchange(bytes, echo, [this](const Session::Exchange& exchange) {
            if (exchange.attempt.verdict.outcome == master::Outcome::Exception) {
                fail("address change: ", exchange);
                return;
            }
            if (!exchange.ok()) {
                PrintError("address change: " + FailureText(exchange, timeoutMs()) +
                           "; reading at " + std::to_string(m_to) + " to see whether it was made");
            }
            verify();
        });
    }

private:
    void verify() {
        m_session.exchange(
            master::ReadRequest(m_to, 1).bytes, master::RegisterReadExpectation(m_to, 1),
            [this](const Session::Exchange& exchange) {
                if (!exchange.ok()) {
                    PrintError("verification failed: a read at " + std::to_string(m_to) + " got " +
                               FailureText(exchange, timeoutMs()));
                    m_session.finish(kVerifyFailed);
                    return;
                }
                const master::Reading reading = master::ReadingOf(exchange.attempt.answer(), 1);
                const std::string humidity =
                    reading.humidity ? Hundredths(*reading.humidity) + " %RH" : "no reading";
                if (m_already) {
                    std::printf("already at %d, verified: humidity %s at %d\n", m_to,
                                humidity.c_str(), m_to);
                } else {
                    std::printf("address %d -> %d, verified: humidity %s at %d\n", m_from, m_to,
                                humidity.c_str(), m_to);
                }
                m_session.finish(kSuccess);
            });
    }

    void fail(const std::string& step, const Session::Exchange& exchange) {
        PrintError(step + FailureText(exchange, timeoutMs()));
        m_session.finish(ExitCodeOf(exchange.attempt.verdict.outcome));
    }

    int timeoutMs() const { return m_session.options().timeoutMs; }

    Session& m_session;
    std::string m_next;
    std::uint8_t m_from = 0;
    std::uint8_t m_to = 0;
    bool m_already = false; // the address read found the module at NEW: nothing to change
};

int Run(const Invocation& call) {
    if (call.arguments.positionals.size() != 1) {
        PrintUsageError("set-address", "set-address takes one argument: the new address");
        return kUsage;
    }
    const std::string next = call.arguments.positionals.front();
    const std::optional<std::string> from = call.arguments.value("from");
    // With both addresses known, the window's checks come before the line.
    if (from) {
        if (const auto decision = module_setup::CheckAddressChange(*from, next);
            !decision.request) {
            PrintError(Glossed(decision.refusal));
            return kUsage;
        }
    }
    Session session(call.line);
    if (const int status = session.open(); status != kSuccess) {
        return status;
    }
    AddressChange change(session, next);
    if (from) {
        change.change(*from);
    } else {
        change.fromAddressRead();
    }
    return session.run();
}

} // namespace

const Command kSetAddressCommand{
    "set-address", "NEW [--from OLD]", "change the module's address and verify it",
    Describe,      kOptions,           Run,
};

} // namespace cli
