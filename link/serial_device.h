#pragma once

#include <QSerialPort>
#include <QString>

// The device node to open for a path: links resolved, so that the lock file
// other programs see is named after the device itself. A bare name (COMn on
// Windows) is the system's, not a file here, and is returned as it is; an
// absolute path to nothing gives an empty text.
QString DeviceNode(const QString& device);

// 8 data bits, no parity, 1 stop bit, no flow control at `baud`, set as a
// plain number so that rates without a QSerialPort constant (14400) are set
// as custom rates instead of being refused.
void SetLine8N1(QSerialPort& port, int baud);

// What an error QSerialPort reports on an open port means. A full output
// queue (the far end stopped reading) is reported like a vanished device;
// only the device node being gone, or the device itself reporting a hangup or
// failure, is a loss.
enum class PortError {
    Other,     // not an input/output error: nothing to do
    Transient, // the device is still there; clear the error and carry on
    Lost,      // the device is gone; close the port
};
PortError ClassifyPortError(const QSerialPort& port, QSerialPort::SerialPortError error,
                            const QString& deviceNode);
