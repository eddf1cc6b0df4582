#include "serial_ports/pin.h"

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <optional>
#include <unistd.h>

#include <QDir>
#include <QFile>
#include <QFileInfo>

#include "serial_ports/port_facts.h"
#include "serial_ports/port_list.h"
#include "serial_ports/window_ports.h"

namespace serial_ports {

namespace {

QString SystemError() {
    return QString::fromLocal8Bit(std::strerror(errno));
}

PinResult NotAWindowPort(const QString& port) {
    return {PinResult::Outcome::Usage,
            QStringLiteral("%1: not a port of the window, which offers COM1 to COM%2")
                .arg(port)
                .arg(kWindowPortCount)};
}

QString WhatItIs(const NodeStatus& node) {
    switch (node.type) {
    case NodeStatus::Type::Regular:
        return QStringLiteral("a regular file");
    case NodeStatus::Type::Directory:
        return QStringLiteral("a folder");
    case NodeStatus::Type::CharDevice:
        return QStringLiteral("a device");
    case NodeStatus::Type::Other:
    case NodeStatus::Type::Missing:
        break;
    }
    return QStringLiteral("not a device");
}

// The COMn entry when it is something other than a link: left alone.
std::optional<PinResult> RefuseNonLink(const SystemView& view, const QString& link,
                                       const QString& action) {
    const QString host = view.hostPath(link);
    if (view.isLink(link) || !QFileInfo::exists(host)) {
        return std::nullopt;
    }
    return PinResult{PinResult::Outcome::Refused,
                     QStringLiteral("%1 is %2, not a link; not %3 it. Move it away first "
                                    "(mv '%1' '%1.old') if the window should use a pin instead.")
                         .arg(link, WhatItIs(view.inspect(host)), action)};
}

// Points `link` at `target` in one step: a new link renamed over the old one.
std::optional<QString> MakeLink(const QString& link, const QString& target) {
    const QString temporary = QStringLiteral("%1.new-%2").arg(link).arg(::getpid());
    const QByteArray from = QFile::encodeName(temporary);
    ::unlink(from.constData());
    if (::symlink(QFile::encodeName(target).constData(), from.constData()) != 0) {
        return QStringLiteral("cannot create %1: %2").arg(temporary, SystemError());
    }
    if (std::rename(from.constData(), QFile::encodeName(link).constData()) != 0) {
        const QString reason = SystemError();
        ::unlink(from.constData());
        return QStringLiteral("cannot replace %1: %2").arg(link, reason);
    }
    return std::nullopt;
}

} // namespace

PinResult Pin(const SystemView& view, const QString& settingsFolder, const QString& port,
              const PortArgument& device) {
    const std::optional<int> number = WindowPortNumber(port);
    if (!number) {
        return NotAWindowPort(port);
    }
    const QString name = QStringLiteral("COM%1").arg(*number);
    if (device.windowPort) {
        return {PinResult::Outcome::Usage,
                QStringLiteral("COM%1 is a port of the window, not a device; pin a device or a "
                               "link to one")
                    .arg(*device.windowPort)};
    }
    const QString& path = device.path;
    const std::optional<QString> resolved = view.resolve(path);
    if (!resolved) {
        const std::optional<QString> text = view.linkText(path);
        return {PinResult::Outcome::Missing,
                text ? QStringLiteral("%1 is a link to %2, which does not exist").arg(path, *text)
                     : QStringLiteral("%1 does not exist; `ht5530k-cli ports` lists the serial "
                                      "ports there are")
                           .arg(path)};
    }
    const NodeStatus node = view.node(*resolved);
    if (node.type != NodeStatus::Type::CharDevice) {
        return {PinResult::Outcome::Usage,
                QStringLiteral("%1 is %2, not a serial device; pin a device or a link to one")
                    .arg(path, WhatItIs(node))};
    }
    if (!IsTerminal(view, *resolved)) {
        return {PinResult::Outcome::Usage,
                QStringLiteral("%1 is a device but not a terminal, so no serial port; pin a "
                               "serial device or a link to one")
                    .arg(path)};
    }
    const QString link = settingsFolder + QLatin1Char('/') + name;
    if (QDir::cleanPath(path) == link) {
        return {PinResult::Outcome::Usage, QStringLiteral("%1 cannot point at itself").arg(link)};
    }
    if (std::optional<PinResult> refusal = RefuseNonLink(view, link, QStringLiteral("replacing"))) {
        return *refusal;
    }

    QString target = path;
    QStringList notes;
    if (path == *resolved) {
        const PortRow row = DescribePort(view, settingsFolder, {}, *resolved);
        if (!row.byId.isEmpty()) {
            target = row.byId.first();
            notes << QStringLiteral("Pinned by its stable name in /dev/serial/by-id, not by the "
                                    "kernel name %1: the pin stays with this adapter when it is "
                                    "plugged in again, elsewhere or in another order.")
                         .arg(path);
        } else if (row.kind == PortRow::Kind::Usb) {
            notes << QStringLiteral("%1 has no /dev/serial/by-id name: the pin follows the kernel "
                                    "name, which another adapter may take after re-plugging.")
                         .arg(path);
        }
    }
    const std::optional<QString> previous = view.linkText(link);
    if (!QDir().mkpath(view.hostPath(settingsFolder))) {
        return {PinResult::Outcome::Failed,
                QStringLiteral("cannot create the folder %1").arg(settingsFolder)};
    }
    if (const std::optional<QString> failure = MakeLink(view.hostPath(link), target)) {
        return {PinResult::Outcome::Failed, *failure};
    }
    QStringList lines{target == *resolved
                          ? QStringLiteral("%1 -> %2").arg(name, target)
                          : QStringLiteral("%1 -> %2 (now %3)").arg(name, target, *resolved)};
    lines << notes << QStringLiteral("Link: %1").arg(link);
    if (previous && *previous != target) {
        lines << QStringLiteral("It pointed at %1 before.").arg(*previous);
    }
    return {PinResult::Outcome::Done, lines.join(QLatin1Char('\n'))};
}

PinResult Unpin(const SystemView& view, const QString& settingsFolder, const QString& port) {
    const std::optional<int> number = WindowPortNumber(port);
    if (!number) {
        return NotAWindowPort(port);
    }
    const QString name = QStringLiteral("COM%1").arg(*number);
    const QString link = settingsFolder + QLatin1Char('/') + name;
    if (std::optional<PinResult> refusal = RefuseNonLink(view, link, QStringLiteral("removing"))) {
        return *refusal;
    }
    const std::optional<QString> text = view.linkText(link);
    if (!text) {
        return {
            PinResult::Outcome::Done,
            QStringLiteral("%1 is not pinned in %2; nothing to remove").arg(name, settingsFolder)};
    }
    if (::unlink(QFile::encodeName(view.hostPath(link)).constData()) != 0) {
        return {PinResult::Outcome::Failed,
                QStringLiteral("cannot remove %1: %2").arg(link, SystemError())};
    }
    const WindowPort now = MapWindowPort(view, settingsFolder, *number);
    return {PinResult::Outcome::Done,
            QStringLiteral("Removed %1 -> %2\n%1 is now %3%4")
                .arg(name, *text, now.path,
                     now.device ? QString() : QStringLiteral(", which does not exist"))};
}

} // namespace serial_ports
