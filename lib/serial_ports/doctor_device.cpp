// The checks on one device: who may open it, who holds it, how fast it answers.
#include <QRegularExpression>

#include "serial_ports/access.h"
#include "serial_ports/doctor_checks.h"

namespace serial_ports::checks {

QString ShellWord(const QString& word) {
    static const QRegularExpression plain(QStringLiteral("^[A-Za-z0-9_/.:,+=@%-]+$"));
    if (plain.match(word).hasMatch()) {
        return word;
    }
    QString quoted = word;
    quoted.replace(QLatin1Char('\''), QLatin1String("'\\''"));
    return QLatin1Char('\'') + quoted + QLatin1Char('\'');
}

void DeviceAccess(const SystemView& view, const PortRow& row, std::vector<Finding>& out) {
    const QString& user = view.user.name;
    if (row.access.allowed) {
        out.push_back({QStringLiteral("access"),
                       Verdict::Ok,
                       row.device,
                       QStringLiteral("%1 may open it (%2)").arg(user, row.access.reason),
                       {}});
        return;
    }
    const Access asMember = CheckAccess(view, row.node, view.user.uid, view.user.memberGroups);
    if (asMember.allowed) {
        const QString group =
            asMember.grantingGroup ? view.groupName(*asMember.grantingGroup) : asMember.reason;
        out.push_back(
            {QStringLiteral("login"),
             Verdict::Problem,
             row.device,
             QStringLiteral("%1 is in group %2, but this login is not: the membership was added "
                            "after %1 logged in (%3)")
                 .arg(user, group, row.access.reason),
             {{QStringLiteral("newgrp %1").arg(group),
               QStringLiteral("in this shell only; log out and in again for every program")}}});
        return;
    }
    Finding finding{QStringLiteral("access"),
                    Verdict::Problem,
                    row.device,
                    QStringLiteral("%1 may not open it (%2)").arg(user, row.access.reason),
                    {}};
    if (row.access.grantingGroup) {
        const QString group = view.groupName(*row.access.grantingGroup);
        finding.text += QStringLiteral(": not in group %1").arg(group);
        finding.fixes.push_back({QStringLiteral("sudo usermod -aG %1 %2").arg(group, user),
                                 QStringLiteral("then log out and in again")});
    }
    if (row.facts.udevTags.contains(QStringLiteral("uaccess"))) {
        finding.text += QStringLiteral("; its udev tag uaccess gives access only to the person "
                                       "logged in at the machine itself, not over SSH");
    }
    finding.fixes.push_back(
        {QStringLiteral("sudo setfacl -m u:%1:rw %2").arg(user, ShellWord(row.device)),
         QStringLiteral("until it is unplugged or the machine restarts")});
    out.push_back(finding);
}

void DeviceHolders(const PortRow& row, std::vector<Finding>& out) {
    const Holding& holding = row.holding;
    for (const Holding::Holder& holder : holding.holders) {
        out.push_back({QStringLiteral("held"),
                       Verdict::Problem,
                       row.device,
                       QStringLiteral("held by process %1 (%2): %3")
                           .arg(holder.process.pid)
                           .arg(holder.process.command, holder.how),
                       {{QStringLiteral("kill %1").arg(holder.process.pid),
                         QStringLiteral("or quit %1 the usual way").arg(holder.process.command)}}});
    }
    if (holding.holders.empty()) {
        QString text = QStringLiteral("no other program holds it");
        if (holding.hiddenProcesses > 0) {
            text += QStringLiteral(" as far as can be seen (the open files of %1 processes of "
                                   "other users are hidden from this user)")
                        .arg(holding.hiddenProcesses);
        }
        if (holding.ptyOwner) {
            text += QStringLiteral("; it is a pseudo-terminal of process %1 (%2)")
                        .arg(holding.ptyOwner->pid)
                        .arg(holding.ptyOwner->command);
        }
        out.push_back({QStringLiteral("held"), Verdict::Ok, row.device, text, {}});
    }
    for (const QString& lock : holding.staleLocks) {
        out.push_back({QStringLiteral("lock"),
                       Verdict::Note,
                       row.device,
                       QStringLiteral("stale lock file %1: the process it names is gone; "
                                      "programs that honour lock files may refuse the port")
                           .arg(lock),
                       {{QStringLiteral("rm %1").arg(ShellWord(lock)), QString()}}});
    }
}

void LatencyTimer(const PortRow& row, std::vector<Finding>& out) {
    if (!row.facts.latencyTimerMs) {
        return;
    }
    const int latency = *row.facts.latencyTimerMs;
    if (latency <= 1) {
        out.push_back({QStringLiteral("latency"),
                       Verdict::Ok,
                       row.device,
                       QStringLiteral("latency_timer is %1 ms").arg(latency),
                       {}});
        return;
    }
    const QString rule =
        QStringLiteral("ACTION==\"add\", SUBSYSTEM==\"usb-serial\", DRIVER==\"ftdi_sio\", "
                       "ATTR{latency_timer}=\"1\"");
    out.push_back(
        {QStringLiteral("latency"),
         Verdict::Problem,
         row.device,
         QStringLiteral("latency_timer is %1 ms: the FTDI chip holds a short answer up to %1 ms "
                        "before passing it on, so every exchange takes up to %1 ms longer; "
                        "polling every %2 ms, up to %3% of each interval is spent waiting")
             .arg(latency)
             .arg(kPollIntervalMs)
             .arg(100 * latency / kPollIntervalMs),
         {{QStringLiteral("echo 1 | sudo tee %1").arg(ShellWord(row.facts.latencyTimerFile)),
           QStringLiteral("until it is unplugged")},
          {QStringLiteral("echo %1 | sudo tee /etc/udev/rules.d/71-ftdi-latency.rules")
               .arg(ShellWord(rule)),
           QStringLiteral("for every FTDI adapter from its next plugging on")}}});
}

} // namespace serial_ports::checks
