#include "cli/session.h"

#include <QCoreApplication>
#include <QFileInfo>
#include <QTimer>

#include "cli/diagnostics.h"
#include "cli/exit_codes.h"

namespace cli {

Session::Session(const LineOptions& options, QObject* parent)
    : QObject(parent), m_options(options), m_trace(options.verbose), m_serial(m_trace) {
    connect(&m_serial, &SerialLine::lost, this, [this](const QString& reason) {
        if (onLost) {
            onLost(reason);
            return;
        }
        PrintError(reason);
        finish(kPortError);
    });
}

int Session::open(std::optional<int> commandRate) {
    const auto chosen = ChooseLine(m_options, ProgramSettings(), commandRate);
    if (const QString* error = std::get_if<QString>(&chosen)) {
        PrintError(*error);
        return kUsage;
    }
    m_line = std::get<LineChoice>(chosen);
    if (m_trace.enabled()) {
        const QString device = m_line.device == m_line.port
                                   ? m_line.device
                                   : QStringLiteral("%1 -> %2").arg(m_line.port, m_line.device);
        const QFileInfo file(m_line.device);
        const QString target =
            file.isSymLink() ? QStringLiteral(" -> %1").arg(file.canonicalFilePath()) : QString();
        m_trace.note(QStringLiteral("port %1%2, %3 baud 8N1 (%4); time-out %5 ms, %6 retries")
                         .arg(device, target)
                         .arg(m_line.baud)
                         .arg(m_line.source)
                         .arg(m_options.timeoutMs)
                         .arg(m_options.retries)
                         .toStdString());
    }
    if (const auto error = m_serial.open(m_line.device, m_line.baud)) {
        PrintError(*error);
        return kPortError;
    }
    return kSuccess;
}

void Session::exchange(std::span<const std::uint8_t> request, const Expectation& expected,
                       Done done, std::optional<int> timeoutMs) {
    m_request.assign(request.begin(), request.end());
    m_expected = expected;
    m_done = std::move(done);
    m_timeoutMs = timeoutMs.value_or(m_options.timeoutMs);
    attempt(1);
}

void Session::attempt(int number) {
    m_serial.send(m_request, m_expected, m_timeoutMs, [this, number](const Attempt& result) {
        if (onAttempt) {
            onAttempt(result);
        }
        const Outcome outcome = result.verdict.outcome;
        if (outcome != Outcome::Ok && outcome != Outcome::Exception &&
            number <= m_options.retries) {
            m_trace.note("retry " + std::to_string(number) + " of " +
                         std::to_string(m_options.retries) + " after " +
                         std::string(OutcomeName(outcome)));
            attempt(number + 1);
            return;
        }
        // The callback may start the next exchange, which replaces m_done.
        const Done done = std::move(m_done);
        done(Exchange{result, number});
    });
}

void Session::finish(int code) {
    if (m_finished) {
        return;
    }
    m_finished = true;
    // Queued, so that a finish before the loop runs still ends it.
    QTimer::singleShot(0, [code] { QCoreApplication::exit(code); });
}

int Session::run() {
    return QCoreApplication::exec();
}

} // namespace cli
