#pragma once

#include <optional>
#include <vector>

#include <QSet>
#include <QString>
#include <QStringList>

#include "serial_ports/system_view.h"

namespace serial_ports {

struct ProcessRef {
    qint64 pid = 0;
    QString command; // /proc/<pid>/comm
};

// The processes of /proc and the devices they have open, read once.
struct ProcessTable {
    struct Entry {
        ProcessRef process;
        QSet<QString> openFiles;  // the targets of /proc/<pid>/fd/*
        QSet<int> ptyMasters;     // pseudo-terminals whose master side it holds
        bool filesVisible = true; // false: /proc/<pid>/fd cannot be read (another user's)
    };
    std::vector<Entry> entries;

    std::optional<ProcessRef> process(qint64 pid) const;
    // Any process whose command is `command`.
    std::optional<ProcessRef> running(const QString& command) const;
};

ProcessTable ReadProcessTable(const SystemView& view);

// Who holds a device, as far as can be seen.
struct Holding {
    struct Holder {
        ProcessRef process;
        QString how; // "lock file /run/lock/LCK..ttyUSB0" or "has it open"
    };
    std::vector<Holder> holders;
    QStringList staleLocks; // lock files whose process is gone or not named
    // For a pseudo-terminal: the process at its other end (the master side).
    std::optional<ProcessRef> ptyOwner;
    int hiddenProcesses = 0; // processes whose open files this user cannot see
};

// `device` is the device's own path, `names` every path that leads to it
// (by-id and by-path links, COMn links): programs name their lock files
// after the path they open ("LCK..ttyUSB0", "LCK..serial_by-id_usb-...").
Holding FindHolders(const SystemView& view, const ProcessTable& processes, const QString& device,
                    const QStringList& names);

// The folders programs keep serial lock files in (QSerialPort tries these).
QStringList LockFolders();

} // namespace serial_ports
