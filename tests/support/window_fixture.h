#pragma once

#include <memory>
#include <vector>

#include <QComboBox>
#include <QFile>
#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QTemporaryDir>
#include <QTimer>

#include "app/frmMain.h"
#include "codec/protocol.h"
#include "link/memory_comm_control.h"
#include "support/front_picture.h"
#include "support/recording_message_boxes.h"
#include "ui_frmMain.h"

// The real window over an in-memory port, a temporary program folder and
// recorded message boxes.
struct WindowFixture {
    explicit WindowFixture(const QByteArray& commSet = "4,19200\r\n", bool openFails = false) {
        if (!commSet.isNull()) {
            QFile file(folder.filePath("comm.set"));
            file.open(QIODevice::WriteOnly);
            file.write(commSet);
        }
        port.openFails = openFails;
        window = std::make_unique<frmMain>(folder.path(), port, messages);
    }
    // The window with its settings at `location` instead.
    explicit WindowFixture(const SettingsLocation& location)
        : window(std::make_unique<frmMain>(location, port, messages)) {}

    Ui::frmMain& ui() { return window->ui(); }
    FormState& state() { return window->form().state; }
    QWidget* front() { return FrontPicture(*ui().Picture2); }
    QTimer& timer() { return *window->form().ui.Timer2; }
    // Delivers a poll tick as the event loop would, through the window's connection.
    void tick() { QMetaObject::invokeMethod(&timer(), "timeout"); }
    QString sent() const { return port.writes.isEmpty() ? QString() : Hex(port.writes.last()); }
    QString settingsFile() const {
        QFile file(folder.filePath("comm.set"));
        return file.open(QIODevice::ReadOnly) ? QString::fromLatin1(file.readAll()) : QString();
    }
    void reply(const char* hex) { port.deliver(QByteArray::fromHex(hex)); }
    static QString Hex(const QByteArray& bytes) {
        return QString::fromLatin1(bytes.toHex(' ').toUpper());
    }

    QTemporaryDir folder;
    MemoryCommControl port;
    RecordingMessageBoxes messages;
    std::unique_ptr<frmMain> window;
};

// A register read response from `address` carrying `registers`, with its CRC.
inline QByteArray ReadResponse(std::uint8_t address,
                               std::initializer_list<std::uint16_t> registers) {
    std::vector<std::uint8_t> frame{address, codec::kReadHoldingRegisters,
                                    static_cast<std::uint8_t>(2 * registers.size())};
    for (std::uint16_t value : registers) {
        frame.push_back(static_cast<std::uint8_t>(value >> 8));
        frame.push_back(static_cast<std::uint8_t>(value & 0xFF));
    }
    codec::AppendCrc(frame);
    return QByteArray(reinterpret_cast<const char*>(frame.data()),
                      static_cast<qsizetype>(frame.size()));
}
