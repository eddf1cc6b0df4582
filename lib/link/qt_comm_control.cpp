#include "link/qt_comm_control.h"

#include <QFileInfo>

#include "link/port_map.h"
#include "link/serial_device.h"

QtCommControl::QtCommControl(const QString& programFolder, QObject* parent)
    : CommControl(parent), m_programFolder(programFolder), m_port(this) {
    connect(&m_port, &QSerialPort::readyRead, this, [this] { bytesArrived(); });
    connect(&m_port, &QSerialPort::errorOccurred, this, &QtCommControl::errorOccurred);
}

QtCommControl::~QtCommControl() {
    // The port is destroyed after this body; nothing it emits on the way out
    // may reach a half-destroyed control.
    m_port.disconnect(this);
    if (m_port.isOpen()) {
        m_port.close();
    }
}

void QtCommControl::setPortOpen(bool open) {
    if (open == m_port.isOpen()) {
        return;
    }
    if (!open) {
        m_port.close();
        return;
    }
    const QString device = DeviceForPort(m_programFolder, commPort());
    const int baud = BaudOfSettings(settings());
    if (device.isEmpty() || baud == 0) {
        return;
    }
    // Open the device itself rather than the link to it: QSerialPort names its
    // lock file after the path, and only the device's own name makes the lock
    // one that other programs (and other links to it) see.
    // A bare name (COMn on Windows) is the system's, not a file here.
    const QString node = DeviceNode(device);
    m_devicePath = node.isEmpty() ? device : node;
    // No device, nothing to open: asking QSerialPort would still take and
    // drop a lock file for it, a good part of a start-up whose saved port is
    // not plugged in.
    if (node.isEmpty() && QFileInfo(device).isAbsolute()) {
        return;
    }
    m_port.setPortName(m_devicePath);
    SetLine8N1(m_port, baud);
    // Bounded: a flooding line stops being read once this much waits unread,
    // the rest stays in the driver, as a UART's buffer would overflow.
    m_port.setReadBufferSize(kInBufferSize);
    if (!m_port.open(QIODevice::ReadWrite)) {
        return; // missing, held by another program or not permitted: stays closed
    }
    // A loss from before this open is stale news now.
    m_lostPending = false;
}

void QtCommControl::setInBufferCount(int count) {
    if (count != 0 || !m_port.isOpen()) {
        return;
    }
    m_port.clear(QSerialPort::Input);
    // What Qt already took from the driver must go too. clear() drops it and
    // restarts reading after a full buffer on the Qt we ship with; reading it
    // out keeps both true where clear() only flushes the driver.
    m_port.readAll();
}

void QtCommControl::setOutBufferCount(int count) {
    if (count == 0 && m_port.isOpen()) {
        m_port.clear(QSerialPort::Output);
    }
}

void QtCommControl::output(const QByteArray& bytes) {
    if (!m_port.isOpen() || bytes.isEmpty()) {
        return;
    }
    m_port.write(bytes);
    // Out now, in one system call: the device times a frame by the gaps
    // between bytes, and the event loop may be busy for a while.
    if (m_port.isOpen()) {
        m_port.flush();
    }
}

QByteArray QtCommControl::input() {
    if (!m_port.isOpen()) {
        return {};
    }
    if (inputLen() <= 0) {
        return m_port.readAll();
    }
    QByteArray block = m_port.read(inputLen());
    // A read served from Qt's buffer alone does not restart reading that a full
    // buffer stopped, so a flooded port would stop reading; setting the size again restarts it.
    m_port.setReadBufferSize(kInBufferSize);
    return block;
}

void QtCommControl::errorOccurred(QSerialPort::SerialPortError error) {
    if (!DeviceLostOn(m_port, error, m_devicePath)) {
        return;
    }
    // Close at once: after a pseudo-terminal hangup the device stays readable
    // and QSerialPort reports the error again on every turn of the event loop,
    // pinning a core for as long as the port is open.
    m_port.close();
    if (!m_lostPending) {
        m_lostPending = true;
        QMetaObject::invokeMethod(this, &QtCommControl::deliverLost, Qt::QueuedConnection);
    }
}

void QtCommControl::deliverLost() {
    if (!m_lostPending) {
        return; // reopened in the meantime
    }
    m_lostPending = false;
    raiseEvent(DeviceLost);
}
