#pragma once

#include <termios.h>

#include "link/serial_device.h"
#include "master/port.h"

namespace master {

// The master's port on a serial device or pseudo-terminal.
//
// A terminal in raw mode with VTIME 0 reports itself readable only once VMIN
// bytes wait: the event loop then wakes once or twice for an answer instead
// of once for every byte as a module sends them one after the other. Bytes
// below the count are fetched by drain().
class DevicePort final : public Port {
    Q_OBJECT
public:
    explicit DevicePort(QObject* parent = nullptr);

    std::optional<QString> open(const QString& device, int baud) override;
    bool setBaud(int baud) override;
    int baud() const override { return m_baud; }
    bool isOpen() const override { return m_device.isOpen(); }
    void write(std::span<const std::uint8_t> frame) override { m_device.send(frame); }
    QByteArray read() override { return m_device.port().readAll(); }
    QByteArray drain() override;
    void discardInput() override;
    void wakeAfter(std::size_t bytes) override;

private:
    SerialDevice m_device;
    QString m_name; // as the user gave it
    int m_baud = 0;
    std::size_t m_wakeAfter = 0; // VMIN as last set; 0: m_mode to be read
    termios m_mode{};
};

} // namespace master
