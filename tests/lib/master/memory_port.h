#pragma once

#include <functional>

#include "master/port.h"

// A port in memory: what the master writes goes to `onWrite`, and the test
// makes bytes arrive. Like a terminal, it reports itself readable only once
// the bytes waiting reach the wake-up count the master asked for.
class MemoryPort final : public master::Port {
public:
    std::optional<QString> open(const QString& device, int baud) override {
        if (onOpen) {
            onOpen(device, baud);
        }
        if (!refusal.isEmpty()) {
            return refusal;
        }
        m_device = device;
        m_baud = baud;
        m_open = true;
        return std::nullopt;
    }
    bool setBaud(int baud) override {
        m_baud = baud;
        return m_open;
    }
    bool isOpen() const override { return m_open; }
    void write(std::span<const std::uint8_t> frame) override {
        if (onWrite) {
            onWrite(frame);
        }
    }
    QByteArray read() override { return std::exchange(m_waiting, {}); }
    QByteArray drain() override { return std::exchange(m_waiting, {}); }
    void discardInput() override { m_waiting.clear(); }
    void wakeAfter(std::size_t bytes) override { m_wakeAfter = bytes; }

    // The test's side of the line.
    void arrive(const QByteArray& bytes) {
        if (!m_open) {
            return;
        }
        m_waiting += bytes;
        if (static_cast<std::size_t>(m_waiting.size()) >= m_wakeAfter) {
            emit readable();
        }
    }
    void unplug() {
        m_open = false;
        m_waiting.clear();
        emit lost(QStringLiteral("unplugged"));
    }
    int baud() const override { return m_baud; }
    std::size_t wakeAfterCount() const { return m_wakeAfter; }

    QString refusal; // when set, open() fails with it
    std::function<void(std::span<const std::uint8_t>)> onWrite;
    std::function<void(const QString&, int)> onOpen; // every try, refused or not

private:
    bool m_open = false;
    QString m_device;
    int m_baud = 0;
    std::size_t m_wakeAfter = 1;
    QByteArray m_waiting;
};
