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

// Whether an error QSerialPort reports means the device of `port` is gone,
// so that the caller closes the port. A full output queue (the far end
// stopped reading) is reported like a vanished device; only the device node
// being gone, or the device itself reporting a hangup or failure, is a loss.
// Anything else is not: on a full queue the error is cleared here and what
// was queued stays queued, to go out once the far end reads again. Errors on
// a closed port (a failed open) are never a loss.
bool DeviceLostOn(QSerialPort& port, QSerialPort::SerialPortError error, const QString& deviceNode);
