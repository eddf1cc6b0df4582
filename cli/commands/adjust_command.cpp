#include <algorithm>
#include <array>
#include <cstdio>
#include <functional>

#include "cli/commands/command_support.h"
#include "cli/commands/commands.h"
#include "cli/output/diagnostics.h"
#include "cli/output/exit_codes.h"
#include "cli/output/window_texts.h"
#include "codec/hex_text.h"
#include "codec/protocol.h"
#include "module_setup/adjustment_rules.h"

namespace cli {

namespace {

constexpr std::size_t kEchoLength = 8;
constexpr int kBothRegisters = 2;

constexpr std::array kOptions{
    OptionSpec{"verify", 0, "",
               "read both registers at --address before and after,\n"
               "and print how far each moved"},
};

std::string Describe() {
    return R"(Writes an adjustment register, as the window's 设置 (set) buttons do: ROW 0
writes register 0x0A00, ROW 1 register 0x0A02, with VALUE in hundredths.
VALUE is converted as the window converts it: single precision, 65536 added
below 0, rounded half to even. Values the window refuses (not a number,
outside -32768 to 65535) end with its message and status 2. The write goes
to the shared address 250, so every module on the line takes it.

Prints the frame sent and the module's echo in the window's hex text; status
7 when the echo does not repeat the register and value written.
)";
}

std::string Shift(const std::optional<std::int32_t>& before,
                  const std::optional<std::int32_t>& after) {
    const auto shown = [](const std::optional<std::int32_t>& value) {
        return value ? Hundredths(*value) : std::string("no reading");
    };
    std::string text = shown(before) + " -> " + shown(after);
    if (before && after) {
        const std::int32_t moved = *after - *before;
        text += " (" + std::string(moved >= 0 ? "+" : "") + Hundredths(moved) + ")";
    }
    return text;
}

class Adjustment {
public:
    Adjustment(Session& session, const codec::Request& request, bool verify)
        : m_session(session), m_request(request), m_verify(verify) {}

    void start() {
        if (m_verify) {
            std::fprintf(stderr,
                         "ht5530k-cli: --verify reads the registers at address %d, before and "
                         "after (-a gives another)\n",
                         m_session.options().address);
            read([this](const master::Reading& reading) {
                m_before = reading;
                write();
            });
        } else {
            write();
        }
    }

private:
    void write() {
        const master::Expectation echo{{}, codec::kWriteSingleRegister, kEchoLength};
        m_session.exchange(m_request.bytes, echo, [this](const Session::Exchange& exchange) {
            std::printf("sent: %s\n", codec::SentHexText(m_request.bytes).c_str());
            if (!exchange.ok()) {
                fail("adjustment write: ", exchange);
                return;
            }
            const std::span<const std::uint8_t> answer = exchange.attempt.answer();
            std::printf("echo: %s\n", codec::SentHexText(answer).c_str());
            std::fflush(stdout);
            if (!std::equal(answer.begin() + 1, answer.begin() + 6, m_request.bytes.begin() + 1)) {
                PrintError("verification failed: the echo does not repeat the register and "
                           "value written");
                m_session.finish(kVerifyFailed);
                return;
            }
            if (!m_verify) {
                m_session.finish(kSuccess);
                return;
            }
            read([this](const master::Reading& after) {
                std::printf("humidity %s\ntemperature %s\n",
                            Shift(m_before.humidity, after.humidity).c_str(),
                            Shift(m_before.temperature, after.temperature).c_str());
                m_session.finish(kSuccess);
            });
        });
    }

    void read(std::function<void(const master::Reading&)> then) {
        const int address = m_session.options().address;
        m_session.exchange(master::ReadRequest(address, kBothRegisters).bytes,
                           master::RegisterReadExpectation(address, kBothRegisters),
                           [this, then, address](const Session::Exchange& exchange) {
                               if (!exchange.ok()) {
                                   const std::string at = std::to_string(address);
                                   fail("reading the registers at address " + at + ": ", exchange,
                                        exchange.attempt.verdict.outcome == master::Outcome::Timeout
                                            ? "; no module answered at " + at +
                                                  ": give its address with -a (ht5530k-cli "
                                                  "address reads it)"
                                            : std::string());
                                   return;
                               }
                               then(master::ReadingOf(exchange.attempt.answer(), kBothRegisters));
                           });
    }

    void fail(const std::string& step, const Session::Exchange& exchange,
              const std::string& advice = {}) {
        PrintError(step + FailureText(exchange, m_session.options().timeoutMs) + advice);
        m_session.finish(ExitCodeOf(exchange.attempt.verdict.outcome));
    }

    Session& m_session;
    codec::Request m_request;
    bool m_verify;
    master::Reading m_before;
};

int Run(const Invocation& call) {
    const std::vector<std::string>& args = call.arguments.positionals;
    if (args.size() != 2) {
        PrintUsageError("adjust", "adjust takes two arguments: ROW (0 or 1) and VALUE");
        return kUsage;
    }
    if (args[0] != "0" && args[0] != "1") {
        PrintUsageError("adjust", "bad ROW '" + args[0] + "': 0 (register 0x0A00) or 1 (0x0A02)");
        return kUsage;
    }
    const module_setup::AdjustDecision decision =
        module_setup::CheckAdjustment(args[0] == "1", args[1]);
    if (!decision.request) {
        PrintError(Glossed(decision.refusal));
        return kUsage;
    }
    std::fputs("ht5530k-cli: the adjustment goes to address 250: every module on the line "
               "takes it\n",
               stderr);
    Session session(call.line);
    if (const int status = session.open(); status != kSuccess) {
        return status;
    }
    Adjustment adjustment(session, *decision.request, call.arguments.has("verify"));
    adjustment.start();
    return session.run();
}

} // namespace

const Command kAdjustCommand{
    "adjust",
    "ROW VALUE [--verify]",
    "write an adjustment register (the window's 设置 rows)",
    Describe,
    kOptions,
    Run,
};

} // namespace cli
