#pragma once

#include <QByteArrayList>

#include "link/comm_control.h"

// An in-memory serial port for tests: it records every write and every open,
// and lets a test deliver received bytes and other events. It behaves as the
// real control does: writes on a closed port are dropped, input collects while
// notifications are off, and the receive threshold decides when onComm fires.
class MemoryCommControl : public CommControl {
    Q_OBJECT
public:
    using CommControl::CommControl;

    bool portOpen() const override { return m_open; }
    void setPortOpen(bool open) override;
    void setInBufferCount(int count) override;
    void setOutBufferCount(int count) override;
    int inBufferCount() const override { return static_cast<int>(m_input.size()); }
    void output(const QByteArray& bytes) override;
    QByteArray input() override;

    // What the tests look at.
    QByteArrayList writes;       // one entry per output() on an open port
    int openCount = 0;           // successful opens
    std::int16_t openedPort = 0; // commPort() at the last successful open
    QString openedSettings;      // settings() at the last successful open

    // What the tests can make happen.
    bool openFails = false;                // the device is missing or held by another program
    bool closeFails = false;               // the port stays open when closed
    void deliver(const QByteArray& bytes); // bytes arrive from the line
    void raise(std::int16_t event) { raiseEvent(event); }
    void unplug(); // the device vanishes: closed, one DeviceLost notification

private:
    bool m_open = false;
    QByteArray m_input;
};
