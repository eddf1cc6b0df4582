#pragma once

#include <cstdint>
#include <span>

#include <QSerialPort>
#include <QString>

// A serial device the way every program here opens and loses it:
// - the device node is opened, links resolved, so that the lock file other
//   programs see is named after the device itself;
// - 8 data bits, no parity, 1 stop bit, no flow control, at a rate set as a
//   plain number (14400 has no QSerialPort constant and is set as custom);
// - a device that vanishes while open (a USB adapter pulled, the program
//   behind a pseudo-terminal ended) closes the port at once and is notified
//   once, from the event loop rather than from inside QSerialPort's error
//   handling, so that the owner may reopen it or show a modal message; a
//   notice still due when the port is opened again is dropped as stale;
// - a frame goes out at once, in one write: a module times a frame by the
//   gaps in it.
class SerialDevice : public QObject {
    Q_OBJECT
public:
    enum class OpenResult { Opened, Missing, Refused, Failed };

    explicit SerialDevice(QObject* parent = nullptr);
    ~SerialDevice() override;

    // Opens `device` at `baud`. A bare name (COMn on Windows) is the
    // system's and is opened as it is; an absolute path to nothing is
    // Missing without asking QSerialPort, which would still take and drop a
    // lock file for it. Refused: held by another program, opened
    // exclusively or not permitted. `readBufferSize` 0 is unbounded.
    OpenResult open(const QString& device, int baud, qint64 readBufferSize = 0);
    void close();
    bool isOpen() const { return m_port.isOpen(); }
    // The node opened, or tried last; empty when the path leads nowhere.
    const QString& node() const { return m_node; }
    // The system's words for the last failure.
    QString errorString() const { return m_port.errorString(); }

    // Queues nothing when it can: the frame is written straight to the
    // device, and what the device cannot take now is queued and flushed.
    void send(std::span<const std::uint8_t> frame);

    // Reads, clears, rates and the handle; everything that opens, loses or
    // writes goes through this class.
    QSerialPort& port() { return m_port; }
    const QSerialPort& port() const { return m_port; }

signals:
    void readyRead();
    // Once per loss, from the event loop; the port is already closed.
    void lost(const QString& reason);

private:
    void errorOccurred(QSerialPort::SerialPortError error);
    bool deviceGone(QSerialPort::SerialPortError error);
    void deliverLost();

    QSerialPort m_port; // a child, so a test can watch what it reports
    QString m_node;
    QString m_lostReason;
    bool m_lostPending = false;
};

// The device node to open for a path: links resolved. A bare name is
// returned as it is; an absolute path to nothing gives an empty text.
QString DeviceNode(const QString& device);
