#pragma once

#include <QSerialPort>
#include <QString>

#include "link/comm_control.h"

// The serial-port control over a real device (or a pseudo-terminal a
// simulator offers), found with DeviceForPort() in the program folder.
//
// A device that vanishes while open (a USB adapter pulled, a simulator that
// quits) closes the port and raises DeviceLost exactly once, from the event
// loop rather than from inside QSerialPort's own error handling, so a handler
// may reopen the port or show a modal message box.
class QtCommControl : public CommControl {
    Q_OBJECT
public:
    explicit QtCommControl(const QString& programFolder, QObject* parent = nullptr);
    ~QtCommControl() override;

    bool portOpen() const override { return m_port.isOpen(); }
    void setPortOpen(bool open) override;
    void setInBufferCount(int count) override;
    void setOutBufferCount(int count) override;
    int inBufferCount() const override { return static_cast<int>(m_port.bytesAvailable()); }
    void output(const QByteArray& bytes) override;
    QByteArray input() override;

private:
    void errorOccurred(QSerialPort::SerialPortError error);
    void deliverLost();

    QString m_programFolder;
    QString m_devicePath; // what was opened last; QSerialPort keeps only a short name
    QSerialPort m_port;   // a child, so a test can watch what it reports
    bool m_lostPending = false;
};
