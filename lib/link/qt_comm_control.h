#pragma once

#include <QString>

#include "link/comm_control.h"
#include "link/serial_device.h"

// The serial-port control over a real device (or a pseudo-terminal a
// simulator offers), found with DeviceForPort() in the program folder.
//
// A device that vanishes while open (a USB adapter pulled, a simulator that
// quits) closes the port and raises DeviceLost exactly once, from the event
// loop, so a handler may reopen the port or show a modal message box.
class QtCommControl : public CommControl {
    Q_OBJECT
public:
    explicit QtCommControl(const QString& programFolder, QObject* parent = nullptr);

    bool portOpen() const override { return m_device.isOpen(); }
    void setPortOpen(bool open) override;
    void setInBufferCount(int count) override;
    void setOutBufferCount(int count) override;
    int inBufferCount() const override {
        return static_cast<int>(m_device.port().bytesAvailable());
    }
    void output(const QByteArray& bytes) override;
    QByteArray input() override;

private:
    QString m_programFolder;
    SerialDevice m_device; // a child, so a test can watch what its port reports
};
