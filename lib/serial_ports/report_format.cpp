#include "serial_ports/report_format.h"

#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>

namespace serial_ports {

namespace {

QString WindowPortsText(const std::vector<int>& numbers) {
    QStringList names;
    for (int number : numbers) {
        names << QStringLiteral("COM%1").arg(number);
    }
    return names.join(QLatin1Char(' '));
}

QString HolderText(const Holding::Holder& holder) {
    return QStringLiteral("process %1 (%2): %3")
        .arg(holder.process.pid)
        .arg(holder.process.command, holder.how);
}

QJsonValue TextOrNull(const QString& text) {
    return text.isEmpty() ? QJsonValue() : QJsonValue(text);
}

QJsonObject ProcessJson(const ProcessRef& process) {
    return {{QStringLiteral("pid"), process.pid}, {QStringLiteral("command"), process.command}};
}

QString VerdictText(Verdict verdict) {
    switch (verdict) {
    case Verdict::Ok:
        return QStringLiteral("ok");
    case Verdict::Note:
        return QStringLiteral("note");
    case Verdict::Problem:
        break;
    }
    return QStringLiteral("PROBLEM");
}

} // namespace

QString PortsText(const std::vector<PortRow>& rows) {
    QString text;
    for (const PortRow& row : rows) {
        QStringList head{row.device};
        if (!row.windowPorts.empty()) {
            head << WindowPortsText(row.windowPorts);
        }
        head << KindText(row.kind);
        for (const QString& field :
             {VidPidText(row.facts), row.facts.manufacturer, row.facts.description}) {
            if (!field.isEmpty()) {
                head << field;
            }
        }
        if (!row.facts.serialNumber.isEmpty()) {
            head << QStringLiteral("serial ") + row.facts.serialNumber;
        }
        text += head.join(QStringLiteral("  ")) + QLatin1Char('\n');
        const auto line = [&text](const char* label, const QString& value) {
            text += QStringLiteral("    %1 %2\n").arg(QLatin1String(label), -8).arg(value);
        };
        for (const QString& name : row.byId) {
            line("by-id", name);
        }
        for (const QString& name : row.byPath) {
            line("by-path", name);
        }
        for (const QString& link : row.links) {
            line("link", link);
        }
        if (row.holding.ptyOwner) {
            line("other end", QStringLiteral("process %1 (%2)")
                                  .arg(row.holding.ptyOwner->pid)
                                  .arg(row.holding.ptyOwner->command));
        }
        line("access", (row.access.allowed ? QStringLiteral("yes (%1)") : QStringLiteral("no (%1)"))
                           .arg(row.access.reason));
        if (row.holding.holders.empty()) {
            line("held", QStringLiteral("no"));
        }
        for (const Holding::Holder& holder : row.holding.holders) {
            line("held", QStringLiteral("by ") + HolderText(holder));
        }
        for (const QString& lock : row.holding.staleLocks) {
            line("lock", lock + QStringLiteral(" (stale)"));
        }
    }
    return text;
}

QByteArray PortsJson(const std::vector<PortRow>& rows) {
    QJsonArray array;
    for (const PortRow& row : rows) {
        QJsonArray windowPorts;
        for (int number : row.windowPorts) {
            windowPorts.append(QStringLiteral("COM%1").arg(number));
        }
        QJsonArray holders;
        for (const Holding::Holder& holder : row.holding.holders) {
            QJsonObject entry = ProcessJson(holder.process);
            entry.insert(QStringLiteral("how"), holder.how);
            holders.append(entry);
        }
        const PortFacts& facts = row.facts;
        array.append(QJsonObject{
            {QStringLiteral("device"), row.device},
            {QStringLiteral("kind"), KindText(row.kind)},
            {QStringLiteral("by_id"), QJsonArray::fromStringList(row.byId)},
            {QStringLiteral("by_path"), QJsonArray::fromStringList(row.byPath)},
            {QStringLiteral("description"), TextOrNull(facts.description)},
            {QStringLiteral("manufacturer"), TextOrNull(facts.manufacturer)},
            {QStringLiteral("serial_number"), TextOrNull(facts.serialNumber)},
            {QStringLiteral("vid_pid"), TextOrNull(VidPidText(facts))},
            {QStringLiteral("driver"), TextOrNull(facts.driver)},
            {QStringLiteral("latency_timer_ms"),
             facts.latencyTimerMs ? QJsonValue(*facts.latencyTimerMs) : QJsonValue()},
            {QStringLiteral("window_ports"), windowPorts},
            {QStringLiteral("links"), QJsonArray::fromStringList(row.links)},
            {QStringLiteral("may_open"), row.access.allowed},
            {QStringLiteral("access"), row.access.reason},
            {QStringLiteral("held_by"), holders},
            {QStringLiteral("stale_locks"), QJsonArray::fromStringList(row.holding.staleLocks)},
            {QStringLiteral("other_end"),
             row.holding.ptyOwner ? QJsonValue(ProcessJson(*row.holding.ptyOwner)) : QJsonValue()},
        });
    }
    return QJsonDocument(array).toJson(QJsonDocument::Indented);
}

QString DoctorText(const DoctorReport& report) {
    QString text;
    for (const Finding& finding : report.findings) {
        text += QStringLiteral("%1 %2 %3\n")
                    .arg(VerdictText(finding.verdict), -8)
                    .arg(finding.check, -13)
                    .arg(finding.subject.isEmpty()
                             ? finding.text
                             : finding.subject + QStringLiteral(": ") + finding.text);
        for (const Fix& fix : finding.fixes) {
            text +=
                QStringLiteral("%1 %2%3\n")
                    .arg(QString(), 22)
                    .arg(fix.command,
                         fix.remark.isEmpty() ? QString() : QStringLiteral("   # ") + fix.remark);
        }
    }
    const int problems = report.count(Verdict::Problem);
    const int notes = report.count(Verdict::Note);
    if (problems == 0 && notes == 0) {
        text += QStringLiteral("Nothing wrong found.\n");
    } else {
        text += QStringLiteral("%1 problem%2, %3 note%4.\n")
                    .arg(problems)
                    .arg(problems == 1 ? "" : "s")
                    .arg(notes)
                    .arg(notes == 1 ? "" : "s");
    }
    return text;
}

} // namespace serial_ports
