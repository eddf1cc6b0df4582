#include "serial_ports/doctor.h"

#include <algorithm>

#include "serial_ports/doctor_checks.h"
#include "serial_ports/port_facts.h"
#include "serial_ports/window_ports.h"

namespace serial_ports {

int DoctorReport::exitCode() const {
    if (portMissing) {
        return 3;
    }
    return count(Verdict::Problem) > 0 ? 1 : 0;
}

int DoctorReport::count(Verdict verdict) const {
    return static_cast<int>(
        std::count_if(findings.begin(), findings.end(),
                      [verdict](const Finding& f) { return f.verdict == verdict; }));
}

namespace {

// The port asked about: its row, or the finding that it is missing.
std::vector<PortRow> AskedPort(const SystemView& view, const QString& folder,
                               const ProcessTable& processes, const PortArgument& argument,
                               DoctorReport& report) {
    const QString& port = argument.text;
    const QString path = PortArgumentPath(view, folder, argument);
    const QString named = path == port ? port : QStringLiteral("%1 is %2, which").arg(port, path);
    const std::optional<QString> device = view.resolve(path);
    if (!device) {
        report.portMissing = true;
        report.findings.push_back({QStringLiteral("port"),
                                   Verdict::Problem,
                                   {},
                                   QStringLiteral("%1 does not exist").arg(named),
                                   {{QStringLiteral("ht5530k-cli ports"),
                                     QStringLiteral("lists the serial ports there are")}}});
        return {};
    }
    if (view.node(*device).type != NodeStatus::Type::CharDevice) {
        report.findings.push_back({QStringLiteral("port"),
                                   Verdict::Problem,
                                   {},
                                   QStringLiteral("%1 is not a serial device").arg(named),
                                   {{QStringLiteral("ht5530k-cli ports"),
                                     QStringLiteral("lists the serial ports there are")}}});
        return {};
    }
    if (!IsTerminal(view, *device)) {
        report.findings.push_back({QStringLiteral("port"),
                                   Verdict::Problem,
                                   {},
                                   QStringLiteral("%1 is a device but not a terminal, so no "
                                                  "serial port")
                                       .arg(named),
                                   {{QStringLiteral("ht5530k-cli ports"),
                                     QStringLiteral("lists the serial ports there are")}}});
        return {};
    }
    if (IsPlaceholderUart(view, *device)) {
        report.findings.push_back(
            {QStringLiteral("port"),
             Verdict::Problem,
             {},
             QStringLiteral("%1 has no UART behind it: opening it fails").arg(named),
             {{QStringLiteral("ht5530k-cli ports"),
               QStringLiteral("lists the serial ports there are")}}});
        return {};
    }
    QString text;
    if (path == port) {
        text = path == *device ? QStringLiteral("%1 exists").arg(path)
                               : QStringLiteral("%1 leads to %2").arg(path, *device);
    } else {
        text = path == *device
                   ? QStringLiteral("%1 is %2, which exists").arg(port, path)
                   : QStringLiteral("%1 is %2, which leads to %3").arg(port, path, *device);
    }
    report.findings.push_back({QStringLiteral("port"), Verdict::Ok, {}, text, {}});
    return {DescribePort(view, folder, processes, *device)};
}

} // namespace

DoctorReport RunDoctor(const SystemView& view, const SettingsLocation& settings,
                       const std::optional<PortArgument>& port) {
    DoctorReport report;
    std::vector<Finding>& out = report.findings;
    const ProcessTable processes = ReadProcessTable(view);
    std::vector<PortRow> rows;
    if (port) {
        rows = AskedPort(view, settings.folder, processes, *port, report);
    } else {
        rows = ListPorts(view, settings.folder);
        if (rows.empty()) {
            out.push_back({QStringLiteral("port"),
                           Verdict::Note,
                           {},
                           QStringLiteral("no serial ports found"),
                           {{QStringLiteral("sudo dmesg --follow"),
                             QStringLiteral("shows an adapter being recognised as it is plugged "
                                            "in")}}});
        }
    }
    for (const PortRow& row : rows) {
        checks::DeviceAccess(view, row, out);
        checks::DeviceHolders(row, out);
        checks::LatencyTimer(row, out);
    }
    checks::Brltty(view, rows, out);
    checks::ModemManager(processes, rows, out);
    checks::SettingsLinks(view, settings.folder, out);
    checks::SavedPort(view, settings, port ? ListPorts(view, settings.folder) : rows, out);
    return report;
}

} // namespace serial_ports
