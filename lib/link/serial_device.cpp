#include "link/serial_device.h"

#include <poll.h>
#include <unistd.h>

#include <QFileInfo>

QString DeviceNode(const QString& device) {
    const QFileInfo file(device);
    return file.isAbsolute() ? file.canonicalFilePath() : device;
}

SerialDevice::SerialDevice(QObject* parent) : QObject(parent), m_port(this) {
    connect(&m_port, &QSerialPort::readyRead, this, &SerialDevice::readyRead);
    connect(&m_port, &QSerialPort::errorOccurred, this, &SerialDevice::errorOccurred);
}

SerialDevice::~SerialDevice() {
    // Nothing the port emits on its way out may reach a half-destroyed owner.
    m_port.disconnect(this);
    if (m_port.isOpen()) {
        m_port.close();
    }
}

SerialDevice::OpenResult SerialDevice::open(const QString& device, int baud,
                                            qint64 readBufferSize) {
    const QString node = DeviceNode(device);
    m_node = node;
    if (node.isEmpty()) {
        return OpenResult::Missing;
    }
    m_port.setPortName(node);
    m_port.setBaudRate(baud);
    m_port.setDataBits(QSerialPort::Data8);
    m_port.setParity(QSerialPort::NoParity);
    m_port.setStopBits(QSerialPort::OneStop);
    m_port.setFlowControl(QSerialPort::NoFlowControl);
    m_port.setReadBufferSize(readBufferSize);
    if (m_port.open(QIODevice::ReadWrite)) {
        // A loss from before this open is stale news now.
        m_lostPending = false;
        return OpenResult::Opened;
    }
    switch (m_port.error()) {
    case QSerialPort::DeviceNotFoundError:
        return OpenResult::Missing;
    case QSerialPort::PermissionError:
        return OpenResult::Refused;
    default:
        return OpenResult::Failed;
    }
}

void SerialDevice::close() {
    if (m_port.isOpen()) {
        m_port.close();
    }
}

void SerialDevice::send(std::span<const std::uint8_t> frame) {
    if (!m_port.isOpen() || frame.empty()) {
        return;
    }
    // Straight to the device: a frame fits its output buffer, and the
    // port's own write would wake the event loop twice more for each one.
    // Behind bytes still queued (the far end stopped reading) it queues too,
    // so that frames keep their order.
    std::size_t sent = 0;
    if (m_port.bytesToWrite() == 0) {
        const ssize_t written = ::write(m_port.handle(), frame.data(), frame.size());
        sent = written > 0 ? static_cast<std::size_t>(written) : 0;
    }
    if (sent < frame.size()) {
        m_port.write(reinterpret_cast<const char*>(frame.data() + sent),
                     static_cast<qint64>(frame.size() - sent));
        if (m_port.isOpen()) {
            m_port.flush();
        }
    }
}

void SerialDevice::errorOccurred(QSerialPort::SerialPortError error) {
    if (!deviceGone(error)) {
        return;
    }
    // Closed at once: after a pseudo-terminal hangup the device stays
    // readable and QSerialPort reports the error again on every turn of the
    // event loop, pinning a core for as long as the port is open.
    m_lostReason = m_port.errorString();
    m_port.close();
    if (!m_lostPending) {
        m_lostPending = true;
        QMetaObject::invokeMethod(this, &SerialDevice::deliverLost, Qt::QueuedConnection);
    }
}

// A full output queue (the far end stopped reading) is reported like a
// vanished device; only the device node being gone, or the device itself
// reporting a hangup or failure, is a loss. On a full queue the error is
// cleared and what was queued stays queued, to go out once the far end reads
// again. Errors on a closed port (a failed open) are never a loss.
bool SerialDevice::deviceGone(QSerialPort::SerialPortError error) {
    if (!m_port.isOpen()) {
        return false;
    }
    switch (error) {
    case QSerialPort::ReadError:
    case QSerialPort::ResourceError:
    case QSerialPort::WriteError:
        break;
    default:
        return false;
    }
    if (!QFileInfo::exists(m_node)) {
        return true; // a pulled USB adapter, a pseudo-terminal whose far end closed
    }
    // A hung-up or failed device says so when asked; a full one only cannot
    // take more bytes for now.
    pollfd fd{static_cast<int>(m_port.handle()), POLLIN | POLLOUT, 0};
    if (::poll(&fd, 1, 0) < 0 || (fd.revents & (POLLHUP | POLLERR | POLLNVAL)) != 0) {
        return true;
    }
    m_port.clearError();
    return false;
}

void SerialDevice::deliverLost() {
    if (!m_lostPending) {
        return; // reopened in the meantime
    }
    m_lostPending = false;
    emit lost(m_lostReason);
}
