#pragma once

#include <optional>
#include <vector>

#include <QString>

#include "link/port_argument.h"
#include "link/settings_location.h"
#include "serial_ports/system_view.h"

namespace serial_ports {

enum class Verdict { Ok, Note, Problem };

// A command that fixes a finding, and when or how far it does.
struct Fix {
    QString command;
    QString remark; // "then log out and in again"; may be empty
};

struct Finding {
    QString check; // "port", "access", "login", "held", "lock", "latency", "brltty",
                   // "modemmanager", "link", "comm.set"
    Verdict verdict = Verdict::Ok;
    QString subject; // the device or file it is about; empty for the whole system
    QString text;
    std::vector<Fix> fixes;
};

struct DoctorReport {
    std::vector<Finding> findings;
    bool portMissing = false; // the port asked about does not exist

    // 3 when the port asked about is missing, 1 when anything is wrong, else 0.
    int exitCode() const;
    int count(Verdict verdict) const;
};

// Checks the port `port`, or every serial port without one, and the
// window's settings (machine paths).
DoctorReport RunDoctor(const SystemView& view, const SettingsLocation& settings,
                       const std::optional<PortArgument>& port);

// What a 50 ms poll loses to an FTDI adapter's latency timer.
inline constexpr int kPollIntervalMs = 50;

} // namespace serial_ports
