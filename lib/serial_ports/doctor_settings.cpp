// The checks on the window's settings folder: its COMn links and comm.set.
#include <algorithm>

#include <QRegularExpression>

#include "codec/protocol.h"
#include "link/settings_file.h"
#include "serial_ports/doctor_checks.h"
#include "serial_ports/window_ports.h"

namespace serial_ports::checks {

namespace {

// How to point COMn at a device: at the one USB adapter when there is one.
std::vector<Fix> PinFixes(const std::vector<PortRow>& rows, int number) {
    QStringList usb;
    for (const PortRow& row : rows) {
        if (row.kind == PortRow::Kind::Usb) {
            usb << (row.byId.isEmpty() ? row.device : row.byId.first());
        }
    }
    if (usb.size() == 1) {
        return {{QStringLiteral("ht5530k-cli pin COM%1 %2").arg(number).arg(ShellWord(usb.first())),
                 QStringLiteral("the one USB serial adapter plugged in")}};
    }
    return {{QStringLiteral("ht5530k-cli ports"), QStringLiteral("to choose a DEVICE")},
            {QStringLiteral("ht5530k-cli pin COM%1 DEVICE").arg(number), QString()}};
}

// An unusable comm.set: what the window and the command line do with it, and the fix.
Finding UnusableSettings(const CommSetReading& reading, const QString& file, const QString& own) {
    using Problem = CommSetReading::Problem;
    const CommSettings start;
    const QString write = QStringLiteral("printf '%1,%2\\r\\n' > %3")
                              .arg(start.CommNum)
                              .arg(start.CommRate)
                              .arg(ShellWord(own));
    const QString yours = QStringLiteral("your port and rate, or save them in the window");
    std::vector<Fix> fixes;
    switch (reading.problem) {
    case Problem::NotAFile:
        fixes = {{QStringLiteral("mv %1 %2").arg(ShellWord(file), ShellWord(file + ".old")), {}},
                 {write, yours}};
        break;
    case Problem::Unreadable:
        fixes = {{QStringLiteral("sudo chmod a+r %1").arg(ShellWord(file)), {}}};
        break;
    case Problem::None:
    case Problem::Missing:
    case Problem::Malformed:
        fixes = {{write, yours}};
        break;
    }
    return {QStringLiteral("comm.set"),
            reading.problem == Problem::Missing ? Verdict::Note : Verdict::Problem, file,
            QStringLiteral("%1: the window starts on COM%2 at %3 baud, and ht5530k-cli "
                           "needs -p and -b")
                .arg(reading.problemText())
                .arg(start.CommNum)
                .arg(start.CommRate),
            fixes};
}

} // namespace

void SettingsLinks(const SystemView& view, const QString& folder, std::vector<Finding>& out) {
    static const QRegularExpression comName(QStringLiteral("^COM([0-9]+)$"));
    int good = 0;
    bool wrong = false;
    for (const QString& name : view.entries(folder)) {
        const QRegularExpressionMatch match = comName.match(name);
        const int number = match.hasMatch() ? match.captured(1).toInt() : 0;
        if (number < 1 || number > kWindowPortCount) {
            continue;
        }
        const QString path = folder + QLatin1Char('/') + name;
        const std::optional<QString> text = view.linkText(path);
        if (text && !view.resolve(path)) {
            wrong = true;
            out.push_back({QStringLiteral("link"),
                           Verdict::Problem,
                           path,
                           QStringLiteral("%1 -> %2 leads nowhere: the window's %1 opens nothing")
                               .arg(name, *text),
                           {{QStringLiteral("ht5530k-cli unpin %1").arg(name), QString()}}});
        } else if (view.node(path).type != NodeStatus::Type::CharDevice) {
            wrong = true;
            out.push_back(
                {QStringLiteral("link"),
                 Verdict::Problem,
                 path,
                 QStringLiteral("%1 %2 is not a serial device: the window's %1 opens it and fails")
                     .arg(name,
                          text ? QStringLiteral("-> ") + *text : QStringLiteral("(not a link)")),
                 {{QStringLiteral("mv %1 %2")
                       .arg(ShellWord(path), ShellWord(path + QStringLiteral(".old"))),
                   QString()}}});
        } else {
            ++good;
        }
    }
    if (!wrong) {
        out.push_back({QStringLiteral("link"),
                       Verdict::Ok,
                       folder,
                       good == 0 ? QStringLiteral("no COMn links")
                       : good == 1
                           ? QStringLiteral("1 COMn link, leading to a device")
                           : QStringLiteral("%1 COMn links, each leading to a device").arg(good),
                       {}});
    }
}

void SavedPort(const SystemView& view, const SettingsLocation& settings,
               const std::vector<PortRow>& rows, std::vector<Finding>& out) {
    // As the window reads it: its own file, else the one beside the program.
    const QString own = settings.settingsFile();
    const QString file =
        settings.fallbackFile.isEmpty() || view.exists(own) ? own : settings.fallbackFile;
    const CommSetReading reading = LoadCommSettings(view.hostPath(file));
    const bool usable = reading.problem == CommSetReading::Problem::None;
    if (!usable) {
        out.push_back(UnusableSettings(reading, file, own));
    }
    const CommSettings saved = usable ? reading.settings : CommSettings{};
    const QString origin = usable ? QStringLiteral("the window's saved port is")
                                  : QStringLiteral("the window starts on");
    const int number = saved.CommNum;
    const int rate = codec::RateToApply(saved.CommRate);
    if (std::ranges::find(codec::kModuleRates, rate) == codec::kModuleRates.end()) {
        out.push_back(
            {QStringLiteral("comm.set"),
             Verdict::Note,
             file,
             QStringLiteral("comm.set saves the rate %1, which is none of the module's "
                            "(4800, 9600, 14400, 19200): the window opens the port "
                            "at %1 and the module does not understand it")
                 .arg(saved.CommRate),
             {{QStringLiteral("printf '%1,19200\\r\\n' > %2").arg(number).arg(ShellWord(own)),
               QStringLiteral("or the module's rate, or save it in the window")}}});
    }
    if (number < 1 || number > kWindowPortCount) {
        out.push_back({QStringLiteral("comm.set"),
                       Verdict::Problem,
                       file,
                       QStringLiteral("comm.set names port %1, which the window does not offer: "
                                      "it starts with no port open")
                           .arg(number),
                       {{QStringLiteral("printf '4,%1\\r\\n' > %2").arg(rate).arg(ShellWord(own)),
                         QStringLiteral("COM4, or save a port in the window")}}});
        return;
    }
    const WindowPort port = MapWindowPort(view, settings.folder, number);
    const QString start = QStringLiteral("%1 COM%2 at %3 baud, which is %4")
                              .arg(origin)
                              .arg(number)
                              .arg(rate)
                              .arg(port.path);
    QString wrong;
    if (!port.device) {
        wrong = QStringLiteral("does not exist");
    } else if (view.node(*port.device).type != NodeStatus::Type::CharDevice) {
        wrong = QStringLiteral("is not a serial device");
    } else if (IsPlaceholderUart(view, *port.device)) {
        wrong = QStringLiteral("has no UART behind it");
    }
    if (wrong.isEmpty()) {
        out.push_back({QStringLiteral("comm.set"),
                       Verdict::Ok,
                       file,
                       port.path == port.device
                           ? start
                           : start + QStringLiteral(" (") + *port.device + QLatin1Char(')'),
                       {}});
        return;
    }
    out.push_back({QStringLiteral("comm.set"), Verdict::Problem, file,
                   QStringLiteral("%1 and %2: the window opens nothing").arg(start, wrong),
                   PinFixes(rows, number)});
}

} // namespace serial_ports::checks
