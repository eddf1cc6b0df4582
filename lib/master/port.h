#pragma once

#include <cstddef>
#include <cstdint>
#include <optional>
#include <span>

#include <QByteArray>
#include <QObject>
#include <QString>

namespace master {

// What the master needs of a serial port: open it 8N1, write a frame at
// once, read what came, and hear when the device is lost. A device port
// does it on a real device; tests use one in memory.
class Port : public QObject {
    Q_OBJECT
public:
    using QObject::QObject;

    // Opens `device` at `baud`; the reason for the user when it fails:
    // missing, busy, no permission (with the fix), or the system's.
    virtual std::optional<QString> open(const QString& device, int baud) = 0;
    virtual bool setBaud(int baud) = 0;
    // The rate the port is set to: 0 before it was opened.
    virtual int baud() const = 0;
    virtual bool isOpen() const = 0;

    // The whole frame, out now.
    virtual void write(std::span<const std::uint8_t> frame) = 0;
    // What has arrived since the last read.
    virtual QByteArray read() = 0;
    // Everything waiting, including bytes held back below the wake-up count.
    virtual QByteArray drain() = 0;
    // Drops what waits in the device.
    virtual void discardInput() = 0;
    // readable() may wait until this many bytes are there (at least 1):
    // fewer wake-ups for an answer of known length.
    virtual void wakeAfter(std::size_t bytes) = 0;

signals:
    void readable();
    // The device vanished; the port is closed. Once per loss, from the
    // event loop.
    void lost(const QString& reason);
};

} // namespace master
