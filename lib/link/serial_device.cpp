#include "link/serial_device.h"

#include <poll.h>

#include <QFileInfo>

QString DeviceNode(const QString& device) {
    const QFileInfo file(device);
    return file.isAbsolute() ? file.canonicalFilePath() : device;
}

void SetLine8N1(QSerialPort& port, int baud) {
    port.setBaudRate(baud);
    port.setDataBits(QSerialPort::Data8);
    port.setParity(QSerialPort::NoParity);
    port.setStopBits(QSerialPort::OneStop);
    port.setFlowControl(QSerialPort::NoFlowControl);
}

bool DeviceLostOn(QSerialPort& port, QSerialPort::SerialPortError error,
                  const QString& deviceNode) {
    if (!port.isOpen()) {
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
    if (!QFileInfo::exists(deviceNode)) {
        return true; // a pulled USB adapter, a pseudo-terminal whose far end closed
    }
    // A hung-up or failed device says so when asked; a full one only cannot
    // take more bytes for now.
    pollfd fd{static_cast<int>(port.handle()), POLLIN | POLLOUT, 0};
    if (::poll(&fd, 1, 0) < 0 || (fd.revents & (POLLHUP | POLLERR | POLLNVAL)) != 0) {
        return true;
    }
    port.clearError();
    return false;
}
