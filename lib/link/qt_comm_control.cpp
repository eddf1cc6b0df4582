#include "link/qt_comm_control.h"

#include <span>

#include "link/port_map.h"

QtCommControl::QtCommControl(const QString& programFolder, QObject* parent)
    : CommControl(parent), m_programFolder(programFolder), m_device(this) {
    connect(&m_device, &SerialDevice::readyRead, this, [this] { bytesArrived(); });
    connect(&m_device, &SerialDevice::lost, this, [this] { raiseEvent(DeviceLost); });
}

void QtCommControl::setPortOpen(bool open) {
    if (open == m_device.isOpen()) {
        return;
    }
    if (!open) {
        m_device.close();
        return;
    }
    const QString device = DeviceForPort(m_programFolder, commPort());
    const int baud = BaudOfSettings(settings());
    if (device.isEmpty() || baud == 0) {
        return;
    }
    // Bounded: a flooding line stops being read once this much waits unread,
    // the rest stays in the driver, as a UART's buffer would overflow.
    // Missing, held by another program or not permitted: stays closed.
    m_device.open(device, baud, kInBufferSize);
}

void QtCommControl::setInBufferCount(int count) {
    if (count != 0 || !m_device.isOpen()) {
        return;
    }
    m_device.port().clear(QSerialPort::Input);
    // What Qt already took from the driver must go too. clear() drops it and
    // restarts reading after a full buffer on the Qt we ship with; reading it
    // out keeps both true where clear() only flushes the driver.
    m_device.port().readAll();
}

void QtCommControl::setOutBufferCount(int count) {
    if (count == 0 && m_device.isOpen()) {
        m_device.port().clear(QSerialPort::Output);
    }
}

void QtCommControl::output(const QByteArray& bytes) {
    m_device.send(std::span(reinterpret_cast<const std::uint8_t*>(bytes.constData()),
                            static_cast<std::size_t>(bytes.size())));
}

QByteArray QtCommControl::input() {
    if (!m_device.isOpen()) {
        return {};
    }
    QSerialPort& port = m_device.port();
    if (inputLen() <= 0) {
        return port.readAll();
    }
    QByteArray block = port.read(inputLen());
    // A read served from Qt's buffer alone does not restart reading that a full
    // buffer stopped, so a flooded port would stop reading; setting the size again restarts it.
    port.setReadBufferSize(kInBufferSize);
    return block;
}
