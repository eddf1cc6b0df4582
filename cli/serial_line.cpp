#include "cli/serial_line.h"

#include <algorithm>
#include <cerrno>
#include <unistd.h>

#include <QFileInfo>

#include "link/serial_device.h"

namespace cli {

namespace {

QString Missing(const QString& device) {
    const QFileInfo file(device);
    if (file.isSymLink()) {
        return QStringLiteral("%1 is a link to %2, which does not exist (is the program or "
                              "adapter behind it there?)")
            .arg(device, file.symLinkTarget());
    }
    return QStringLiteral("%1 does not exist (is the adapter plugged in? ls /dev/serial/by-id)")
        .arg(device);
}

// QSerialPort reports a lock held by another program, an exclusive open
// and a lack of permission all as a PermissionError.
QString Refused(const QString& device, const QString& opened) {
    if (::access(opened.toLocal8Bit().constData(), R_OK | W_OK) != 0 && errno == EACCES) {
        return QStringLiteral("no permission to open %1: serial devices belong to the group "
                              "dialout; add yourself with: sudo usermod -aG dialout \"$USER\", "
                              "then log out and in again")
            .arg(device);
    }
    return QStringLiteral("%1 is busy: another program holds it (fuser -v %2 shows which)")
        .arg(device, opened);
}

} // namespace

SerialLine::SerialLine(const FrameTrace& trace, QObject* parent)
    : QObject(parent), m_trace(trace), m_port(this) {
    m_timeout.setSingleShot(true);
    m_timeout.setTimerType(Qt::PreciseTimer);
    connect(&m_timeout, &QTimer::timeout, this, &SerialLine::timedOut);
    m_guard.setSingleShot(true);
    m_guard.setTimerType(Qt::PreciseTimer);
    connect(&m_guard, &QTimer::timeout, this, &SerialLine::guardPassed);
    connect(&m_port, &QSerialPort::readyRead, this, &SerialLine::bytesArrived);
    connect(&m_port, &QSerialPort::errorOccurred, this, &SerialLine::errorOccurred);
}

SerialLine::~SerialLine() {
    m_port.disconnect(this);
    if (m_port.isOpen()) {
        m_port.close();
    }
}

std::optional<QString> SerialLine::open(const QString& device, int baud) {
    m_device = device;
    // Open the device itself, not a link to it: the lock file other programs
    // see is named after the device (as the window does).
    const QString opened = DeviceNode(device);
    if (opened.isEmpty()) {
        return Missing(device);
    }
    m_node = opened;
    m_port.setPortName(opened);
    SetLine8N1(m_port, baud);
    if (m_port.open(QIODevice::ReadWrite)) {
        m_wakeAfter = 0;
        return std::nullopt;
    }
    switch (m_port.error()) {
    case QSerialPort::DeviceNotFoundError:
        return Missing(device);
    case QSerialPort::PermissionError:
        return Refused(device, opened);
    default:
        return QStringLiteral("cannot open %1: %2").arg(device, m_port.errorString());
    }
}

bool SerialLine::setBaud(int baud) {
    m_wakeAfter = 0;
    return m_port.setBaudRate(baud);
}

void SerialLine::send(std::span<const std::uint8_t> request, const Expectation& expected,
                      int timeoutMs, Done done) {
    if (!m_port.isOpen()) {
        return; // lost: the owner has heard of it
    }
    m_request.assign(request.begin(), request.end());
    m_expected = expected;
    m_timeoutMs = timeoutMs;
    m_done = std::move(done);
    guardPassed();
}

void SerialLine::guardPassed() {
    if (!m_port.isOpen()) {
        return;
    }
    if (m_guarding) {
        // Bytes that came meanwhile made the line quiet for a shorter while.
        const qint64 quietMs = m_quiet.elapsed();
        if (quietMs < m_guardMs) {
            m_guard.start(static_cast<int>(m_guardMs - quietMs));
            return;
        }
    }
    transmit();
}

QByteArray SerialLine::drain() {
    // What is in the port's buffer, then what waits below the wake-up count.
    QByteArray bytes = m_port.readAll();
    char buffer[256];
    for (;;) {
        const ssize_t count = ::read(m_port.handle(), buffer, sizeof buffer);
        if (count <= 0) {
            return bytes;
        }
        bytes.append(buffer, static_cast<qsizetype>(count));
    }
}

void SerialLine::transmit() {
    // Earlier traffic still waiting is dropped; after a time-out it is late.
    const QByteArray waiting = drain();
    m_port.clear(QSerialPort::Input);
    m_attempt = Attempt{};
    if (m_guarding) {
        m_attempt.lateBytesBefore = m_lateBytes + static_cast<std::size_t>(waiting.size());
        if (m_attempt.lateBytesBefore > 0) {
            m_trace.note("dropped " + std::to_string(m_attempt.lateBytesBefore) +
                         " bytes that came after the time-out");
        }
    }
    m_guarding = false;
    m_lateBytes = 0;
    m_lastByteMs.reset();
    m_active = true;
    m_attempt.sentAt = WallClock::now();
    m_trace.sent(m_request);
    // Out now, in one write: the module times a frame by the gaps in it.
    // Straight to the device: a request fits its output buffer, and the
    // port's own write would wake the event loop twice more for each one.
    const ssize_t written = ::write(m_port.handle(), m_request.data(), m_request.size());
    const std::size_t sent = written > 0 ? static_cast<std::size_t>(written) : 0;
    if (sent < m_request.size()) {
        m_port.write(reinterpret_cast<const char*>(m_request.data() + sent),
                     static_cast<qint64>(m_request.size() - sent));
        m_port.flush();
    }
    m_clock.start();
    m_timeout.start(m_timeoutMs);
    wakeAfter(BytesStillAwaited(m_expected, m_attempt.received));
}

// A terminal in raw mode with VTIME 0 reports itself readable only once VMIN
// bytes wait: the event loop then wakes once or twice for an answer instead
// of once for every byte as a module sends them one after the other. Bytes
// below the count are fetched when the time-out passes.
void SerialLine::wakeAfter(std::size_t bytes) {
    bytes = std::clamp<std::size_t>(bytes, 1, 255);
    if (bytes == m_wakeAfter || !m_port.isOpen()) {
        return;
    }
    // The rest of the line settings are read once after each change of
    // them (open, rate), not for every count.
    if (m_wakeAfter == 0 && ::tcgetattr(m_port.handle(), &m_mode) != 0) {
        return;
    }
    m_mode.c_cc[VMIN] = static_cast<cc_t>(bytes);
    m_mode.c_cc[VTIME] = 0;
    m_wakeAfter = ::tcsetattr(m_port.handle(), TCSANOW, &m_mode) == 0 ? bytes : 0;
}

void SerialLine::bytesArrived() {
    const QByteArray bytes = m_port.readAll();
    if (!m_active) {
        if (m_guarding && !bytes.isEmpty()) {
            // An answer after its time-out: dropped, and the line not yet quiet.
            m_lateBytes += static_cast<std::size_t>(bytes.size());
            m_quiet.start();
        }
        return; // after a sound answer: dropped before the next request anyway
    }
    take(bytes);
    if (const auto verdict = JudgeSoFar(m_expected, m_attempt.received)) {
        complete(*verdict, m_lastByteMs);
        return;
    }
    wakeAfter(BytesStillAwaited(m_expected, m_attempt.received));
}

void SerialLine::timedOut() {
    if (!m_active) {
        return;
    }
    take(drain());
    // Before the outcome is given: its callback may send the next request.
    m_guarding = true;
    m_guardMs = m_timeoutMs;
    m_quiet.start();
    // Nothing below the wake-up count may hide a late answer's first bytes now.
    wakeAfter(1);
    complete(JudgeAtTimeout(m_expected, m_attempt.received), m_lastByteMs);
}

void SerialLine::take(const QByteArray& bytes) {
    if (bytes.isEmpty()) {
        return;
    }
    m_attempt.received.insert(m_attempt.received.end(), bytes.begin(), bytes.end());
    m_lastByteMs = static_cast<double>(m_clock.nsecsElapsed()) / 1e6;
}

void SerialLine::complete(const Verdict& verdict, std::optional<double> responseMs) {
    m_timeout.stop();
    m_active = false;
    m_attempt.verdict = verdict;
    m_attempt.responseMs = responseMs;
    m_trace.received(m_attempt.received);
    // The callback may send the next request, which replaces m_done.
    const Done done = std::move(m_done);
    done(m_attempt);
}

void SerialLine::errorOccurred(QSerialPort::SerialPortError error) {
    // A failed open is reported by open(); a full output queue leaves the
    // exchange under way to end by its answer or its time-out.
    if (!DeviceLostOn(m_port, error, m_node)) {
        return;
    }
    // Closed at once: a hung-up pseudo-terminal stays readable and would
    // report the error on every turn of the event loop.
    const QString reason = m_port.errorString();
    m_port.close();
    m_timeout.stop();
    m_guard.stop();
    m_active = false;
    m_done = nullptr;
    QMetaObject::invokeMethod(
        this,
        [this, reason] {
            emit lost(QStringLiteral("the port %1 was lost (%2): unplugged, or the program "
                                     "behind it ended")
                          .arg(m_device, reason));
        },
        Qt::QueuedConnection);
}

} // namespace cli
