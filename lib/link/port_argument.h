#pragma once

#include <optional>
#include <variant>

#include <QString>
#include <QStringView>

// The window's port list: COM1 to COM16.
inline constexpr int kWindowPortCount = 16;

// "COM3" in any letter case as 3; nothing for text that is not "COM" and a
// number, or a number the window's list does not offer.
std::optional<int> WindowPortNumber(QStringView text);

// What a port argument of the command line names, by one rule for every
// command: "COMn" in any letter case is the window's port n; a name with a
// slash is a path, relative to the current folder unless it starts with
// one; a bare name ("ttyUSB0") is a device under /dev.
struct PortArgument {
    QString text;                  // as given
    std::optional<int> windowPort; // COMn
    QString path;                  // otherwise: the absolute path it names
};

// The argument, or why it names no port: empty, or COMn with an n the
// window does not offer. `currentFolder` is where relative paths start.
std::variant<PortArgument, QString> ReadPortArgument(const QString& text,
                                                     const QString& currentFolder);
