#include "link/serial_device.h"

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
