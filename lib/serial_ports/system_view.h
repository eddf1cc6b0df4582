#pragma once

#include <functional>
#include <optional>
#include <vector>

#include <QByteArray>
#include <QString>
#include <QStringList>

namespace serial_ports {

// One entry of a POSIX access control list (the kernel's "system.posix_acl_access").
struct AclEntry {
    enum class Tag { UserObj, User, GroupObj, Group, Mask, Other };
    Tag tag = Tag::Other;
    unsigned id = 0;    // the user or group of a User or Group entry
    unsigned perms = 0; // 4 read, 2 write, 1 execute
};

// What stat() and the access list say about a file, links followed.
struct NodeStatus {
    enum class Type { Missing, CharDevice, Regular, Directory, Other };
    Type type = Type::Missing;
    unsigned mode = 0; // permission bits, 07777
    unsigned uid = 0;
    unsigned gid = 0;
    std::vector<AclEntry> acl; // empty when the file has none beyond its mode
};

// The user the commands run for.
struct UserIdentity {
    QString name;
    unsigned uid = 0;
    std::vector<unsigned> activeGroups; // this login's groups (the process's)
    std::vector<unsigned> memberGroups; // the account's groups in the group database now
};

// Everything the port commands read of the machine, so that tests can point
// them at a copy of a system's tree. Paths given to and returned by the
// functions here are the machine's ("/dev/ttyUSB0"); they are looked up under
// `root` ("/" on this machine). Read: /dev, /sys, /run/udev, the lock folders,
// /proc, the udev rules folders and a few programs' paths.
class SystemView {
public:
    QString root = QStringLiteral("/");
    UserIdentity user;
    qint64 ownPid = 0; // this process, never counted as holding a port
    // stat() and the access list of a file under root, links followed.
    std::function<NodeStatus(const QString& hostPath)> inspect;
    std::function<QString(unsigned gid)> groupName;
    std::function<QString(unsigned uid)> userName;

    QString hostPath(const QString& machinePath) const;
    // The machine's path of a file under root; empty when it is not under root.
    QString machinePath(const QString& hostPath) const;

    // The path with every link followed and "." and ".." gone, the way the
    // kernel resolves it, links pointing inside root; nothing when the path
    // leads nowhere.
    std::optional<QString> resolve(const QString& path) const;
    // The text of a symbolic link, as written; nothing when `path` is not a link.
    std::optional<QString> linkText(const QString& path) const;
    bool isLink(const QString& path) const;
    bool exists(const QString& path) const; // links followed
    NodeStatus node(const QString& path) const;

    // Names in a folder, sorted, "." and ".." left out, dangling links included.
    QStringList entries(const QString& folder) const;
    // The start of a file (at most 64 KiB); empty when it cannot be read.
    QByteArray read(const QString& path) const;
    // A sysfs attribute or similar one-line file, blanks around it removed.
    QString attribute(const QString& path) const;
};

// This machine and the user running the program.
SystemView ThisMachine();

} // namespace serial_ports
