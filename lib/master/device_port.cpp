#include "master/device_port.h"

#include <algorithm>
#include <cerrno>
#include <unistd.h>

#include <QFileInfo>

namespace master {

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
// and a lack of permission all alike.
QString Refused(const QString& device, const QString& node) {
    if (::access(node.toLocal8Bit().constData(), R_OK | W_OK) != 0 && errno == EACCES) {
        return QStringLiteral("no permission to open %1: serial devices belong to the group "
                              "dialout; add yourself with: sudo usermod -aG dialout \"$USER\", "
                              "then log out and in again")
            .arg(device);
    }
    return QStringLiteral("%1 is busy: another program holds it (fuser -v %2 shows which)")
        .arg(device, node);
}

} // namespace

DevicePort::DevicePort(QObject* parent) : Port(parent), m_device(this) {
    connect(&m_device, &SerialDevice::readyRead, this, &Port::readable);
    connect(&m_device, &SerialDevice::lost, this, [this](const QString& reason) {
        emit lost(QStringLiteral("the port %1 was lost (%2): unplugged, or the program "
                                 "behind it ended")
                      .arg(m_name, reason));
    });
}

std::optional<QString> DevicePort::open(const QString& device, int baud) {
    m_name = device;
    m_wakeAfter = 0;
    switch (m_device.open(device, baud)) {
    case SerialDevice::OpenResult::Opened:
        m_baud = baud;
        return std::nullopt;
    case SerialDevice::OpenResult::Missing:
        return Missing(device);
    case SerialDevice::OpenResult::Refused:
        return Refused(device, m_device.node());
    case SerialDevice::OpenResult::Failed:
        break;
    }
    return QStringLiteral("cannot open %1: %2").arg(device, m_device.errorString());
}

bool DevicePort::setBaud(int baud) {
    m_wakeAfter = 0;
    if (!m_device.port().setBaudRate(baud)) {
        return false;
    }
    m_baud = baud;
    return true;
}

QByteArray DevicePort::drain() {
    // What is in the port's buffer, then what waits below the wake-up count.
    QByteArray bytes = m_device.port().readAll();
    if (!m_device.isOpen()) {
        return bytes;
    }
    char buffer[256];
    for (;;) {
        const ssize_t count = ::read(m_device.port().handle(), buffer, sizeof buffer);
        if (count <= 0) {
            return bytes;
        }
        bytes.append(buffer, static_cast<qsizetype>(count));
    }
}

void DevicePort::discardInput() {
    m_device.port().clear(QSerialPort::Input);
}

void DevicePort::wakeAfter(std::size_t bytes) {
    bytes = std::clamp<std::size_t>(bytes, 1, 255);
    if (bytes == m_wakeAfter || !m_device.isOpen()) {
        return;
    }
    const int handle = static_cast<int>(m_device.port().handle());
    // The rest of the line settings are read once after each change of
    // them (open, rate), not for every count.
    if (m_wakeAfter == 0 && ::tcgetattr(handle, &m_mode) != 0) {
        return;
    }
    m_mode.c_cc[VMIN] = static_cast<cc_t>(bytes);
    m_mode.c_cc[VTIME] = 0;
    m_wakeAfter = ::tcsetattr(handle, TCSANOW, &m_mode) == 0 ? bytes : 0;
}

} // namespace master
