#include "cli/session.h"

#include <QCoreApplication>
#include <QFileInfo>
#include <QTimer>

#include "cli/output/diagnostics.h"
#include "cli/output/exit_codes.h"

namespace cli {

Session::Session(const LineOptions& options, QObject* parent)
    : QObject(parent), m_options(options), m_trace(options.verbose),
      m_serial(m_port, m_clock, m_trace), m_exchanger(m_serial, m_trace, options.retries) {
    m_exchanger.onAttempt = [this](const master::Attempt& attempt) {
        if (onAttempt) {
            onAttempt(attempt);
        }
    };
    connect(&m_serial, &master::SerialLine::lost, this, [this](const QString& reason) {
        if (m_keeper) {
            return; // the keeper tells and reopens
        }
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
    if (m_keepRetryMs) {
        keep();
    }
    if (const auto error = m_port.open(m_line.device, m_line.baud)) {
        // A device not there yet (an adapter not yet plugged in at boot) is
        // waited for as after an outage.
        if (m_keeper && !QFileInfo::exists(m_line.device)) {
            m_keeper->startAway(*error);
            return kSuccess;
        }
        PrintError(*error);
        return kPortError;
    }
    return kSuccess;
}

void Session::keepLine(int retryMs) {
    m_keepRetryMs = retryMs;
}

void Session::keep() {
    m_keeper = std::make_unique<master::LineKeeper>(m_serial, m_clock, m_trace, m_options.retries);
    m_keeper->onAttempt = m_exchanger.onAttempt;
    m_keeper->keep(m_line.device, m_line.baud, *m_keepRetryMs);
    connect(m_keeper.get(), &master::LineKeeper::down, this, [this](const QString& reason) {
        if (onOutage) {
            onOutage(reason);
            return;
        }
        PrintError(reason);
    });
}

void Session::exchange(std::span<const std::uint8_t> request, const master::Expectation& expected,
                       Done done, std::optional<int> timeoutMs) {
    exchanger().exchange(request, expected, timeoutMs.value_or(m_options.timeoutMs),
                         std::move(done));
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
