#include "serial_ports/holders.h"

#include <QFileInfo>
#include <QRegularExpression>

namespace serial_ports {

namespace {

bool IsNumber(const QString& text) {
    static const QRegularExpression digits(QStringLiteral("^[0-9]+$"));
    return digits.match(text).hasMatch();
}

// The tty index of a /dev/ptmx descriptor ("tty-index:\t3" in its fdinfo).
std::optional<int> PtyIndex(const SystemView& view, const QString& fdinfo) {
    const QString text = QString::fromUtf8(view.read(fdinfo));
    static const QRegularExpression line(QStringLiteral("^tty-index:\\s*([0-9]+)$"),
                                         QRegularExpression::MultilineOption);
    const QRegularExpressionMatch match = line.match(text);
    if (!match.hasMatch()) {
        return std::nullopt;
    }
    return match.captured(1).toInt();
}

// The name a lock file takes after the path it locks: without "/dev/",
// slashes turned into underscores.
QString LockName(const QString& path) {
    QString name = path.startsWith(QLatin1String("/dev/")) ? path.mid(5) : path;
    name.replace(QLatin1Char('/'), QLatin1Char('_'));
    return QStringLiteral("LCK..") + name;
}

// The process id in a lock file: the first line, in ASCII (UUCP style, and
// QLockFile's first line).
std::optional<qint64> LockPid(const QByteArray& content) {
    bool ok = false;
    const qint64 pid = content.left(content.indexOf('\n')).trimmed().toLongLong(&ok);
    return ok && pid > 0 ? std::optional<qint64>(pid) : std::nullopt;
}

} // namespace

std::optional<ProcessRef> ProcessTable::process(qint64 pid) const {
    for (const Entry& entry : entries) {
        if (entry.process.pid == pid) {
            return entry.process;
        }
    }
    return std::nullopt;
}

std::optional<ProcessRef> ProcessTable::running(const QString& command) const {
    for (const Entry& entry : entries) {
        if (entry.process.command == command) {
            return entry.process;
        }
    }
    return std::nullopt;
}

ProcessTable ReadProcessTable(const SystemView& view) {
    ProcessTable table;
    for (const QString& name : view.entries(QStringLiteral("/proc"))) {
        if (!IsNumber(name)) {
            continue;
        }
        const QString folder = QStringLiteral("/proc/") + name;
        ProcessTable::Entry entry;
        entry.process = {name.toLongLong(), view.attribute(folder + "/comm")};
        const QString fds = folder + "/fd";
        entry.filesVisible = QFileInfo(view.hostPath(fds)).isReadable();
        for (const QString& fd : view.entries(fds)) {
            const std::optional<QString> target = view.linkText(fds + QLatin1Char('/') + fd);
            if (!target) {
                continue;
            }
            if (*target == QLatin1String("/dev/ptmx")) {
                if (const std::optional<int> index = PtyIndex(view, folder + "/fdinfo/" + fd)) {
                    entry.ptyMasters.insert(*index);
                }
            }
            entry.openFiles.insert(*target);
        }
        table.entries.push_back(entry);
    }
    return table;
}

QStringList LockFolders() {
    return {QStringLiteral("/var/lock"),
            QStringLiteral("/run/lock"),
            QStringLiteral("/etc/locks"),
            QStringLiteral("/var/spool/locks"),
            QStringLiteral("/var/spool/uucp"),
            QStringLiteral("/var/lock/lockdev"),
            QStringLiteral("/tmp"),
            QStringLiteral("/var/tmp")};
}

Holding FindHolders(const SystemView& view, const ProcessTable& processes, const QString& device,
                    const QStringList& names) {
    Holding holding;
    std::optional<int> ptyIndex;
    if (device.startsWith(QLatin1String("/dev/pts/"))) {
        ptyIndex = device.mid(9).toInt();
    }
    for (const ProcessTable::Entry& entry : processes.entries) {
        if (ptyIndex && entry.ptyMasters.contains(*ptyIndex)) {
            holding.ptyOwner = entry.process;
        }
    }
    const auto alreadyListed = [&holding](qint64 pid) {
        for (const Holding::Holder& holder : holding.holders) {
            if (holder.process.pid == pid) {
                return true;
            }
        }
        return holding.ptyOwner && holding.ptyOwner->pid == pid;
    };

    // Lock files, once per folder (/var/lock is often a link to /run/lock).
    QStringList seenFolders;
    QStringList lockNames{LockName(device)};
    for (const QString& name : names) {
        if (!lockNames.contains(LockName(name))) {
            lockNames.append(LockName(name));
        }
    }
    for (const QString& folder : LockFolders()) {
        const std::optional<QString> real = view.resolve(folder);
        if (!real || seenFolders.contains(*real)) {
            continue;
        }
        seenFolders.append(*real);
        for (const QString& lockName : lockNames) {
            const QString file = folder + QLatin1Char('/') + lockName;
            if (!view.exists(file)) {
                continue;
            }
            const std::optional<qint64> pid = LockPid(view.read(file));
            const std::optional<ProcessRef> process = pid ? processes.process(*pid) : std::nullopt;
            if (!process) {
                holding.staleLocks.append(file);
            } else if (process->pid != view.ownPid && !alreadyListed(process->pid)) {
                holding.holders.push_back({*process, QStringLiteral("lock file ") + file});
            }
        }
    }

    for (const ProcessTable::Entry& entry : processes.entries) {
        if (!entry.filesVisible && entry.process.pid != view.ownPid) {
            ++holding.hiddenProcesses;
        }
        if (entry.process.pid == view.ownPid || !entry.openFiles.contains(device) ||
            alreadyListed(entry.process.pid)) {
            continue;
        }
        holding.holders.push_back({entry.process, QStringLiteral("has it open")});
    }
    return holding;
}

} // namespace serial_ports
