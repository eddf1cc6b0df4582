#pragma once

#include <optional>

#include <QMap>
#include <QString>
#include <QStringList>

#include "serial_ports/system_view.h"

namespace serial_ports {

// What sysfs and the udev database say about one tty, as QSerialPortInfo
// reads them: the USB device's own strings first, udev's hardware database
// where the device has none.
struct PortFacts {
    QString name; // "ttyUSB0"
    QString description;
    QString manufacturer;
    QString serialNumber;
    std::optional<unsigned> vendorId;
    std::optional<unsigned> productId;
    QString driver;       // "ftdi_sio", "cdc_acm", "serial8250"; empty when none
    bool usb = false;     // a USB device is behind it
    QString deviceNumber; // "188:0", empty when sysfs does not say
    // The FTDI chip's latency timer and its sysfs file, when the driver has one.
    std::optional<int> latencyTimerMs;
    QString latencyTimerFile;
    QMap<QString, QString> udev; // the device's udev properties (E: lines)
    QStringList udevTags;        // its udev tags (G: lines)
};

PortFacts ReadPortFacts(const SystemView& view, const QString& name);

// The ttys of /sys/class/tty with hardware behind them: a device, and for an
// on-board UART (ttyS) a UART type other than "unknown" (most ttyS are
// placeholders).
QStringList SerialTtyNames(const SystemView& view);

// A ttyS the kernel made without a UART behind it (sysfs type 0, "unknown"):
// it exists, but opening it fails. `device` is its path under /dev.
bool IsPlaceholderUart(const SystemView& view, const QString& device);

// Whether a character device is a terminal, as a serial port is: a tty the
// kernel lists in /sys/class/tty, or a pseudo-terminal under /dev/pts.
// `device` is its path with links followed.
bool IsTerminal(const SystemView& view, const QString& device);

// "0403:6001"; empty without both numbers.
QString VidPidText(const PortFacts& facts);

} // namespace serial_ports
