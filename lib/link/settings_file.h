#pragma once

#include <cstdint>
#include <optional>
#include <string_view>

#include <QString>

// The settings file "comm.set": one line "<port>,<baud>" and CR LF.
struct CommSettings {
    std::int16_t CommNum = 4;
    std::int16_t CommRate = 19200;
    bool operator==(const CommSettings&) const = default;
};

inline const QString kSettingsFileName = QStringLiteral("comm.set");

// Two decimal integers, the port first, separated by a comma or a line end,
// blanks around them skipped; anything after the second is ignored. Nothing
// when the text does not start that way or a number does not fit 16 bits.
std::optional<CommSettings> ParseCommSettings(std::string_view text);

// What reading a comm.set found: its settings, or what is wrong with it.
struct CommSetReading {
    enum class Problem { None, Missing, NotAFile, Unreadable, Malformed };
    Problem problem = Problem::None;
    CommSettings settings; // the file's, when there is no problem
    QString detail;        // the system's reason, the kind of file, or the start of the text

    // What is wrong, after the file's name: "does not exist", "is a folder,
    // not a file", "cannot be read (Permission denied)", "holds no port and
    // rate: it starts "abc"". Empty when nothing is.
    QString problemText() const;
};

// Reads the file as start-up does. Only a regular file is opened: a named
// pipe or a device would block until something writes to it.
CommSetReading LoadCommSettings(const QString& path);

// The file's settings; a missing, unreadable or malformed file gives the
// defaults (port 4 at 19200), which is what the window shows before start-up.
CommSettings ReadCommSettings(const QString& path);

// "4,19200\r\n"
QByteArray FormatCommSettings(const CommSettings& settings);

// Replaces the file atomically (a temporary file renamed over it), so a crash
// or a full disk leaves the old file or the new one, never a damaged one.
// Returns the system's reason when it failed.
std::optional<QString> WriteCommSettings(const QString& path, const CommSettings& settings);
