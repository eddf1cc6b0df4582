// The checks on programs that take serial adapters away: brltty and ModemManager.
#include <utility>

#include <QRegularExpression>
#include <QSet>

#include "serial_ports/doctor_checks.h"

namespace serial_ports::checks {

namespace {

const QString kBrlttyRules = QStringLiteral("85-brltty.rules");

// The udev rules file that applies: one in /etc or /run overrides the
// package's of the same name; a link to /dev/null or an empty file masks it.
QString ActiveRules(const SystemView& view, const QString& name, bool& masked) {
    masked = false;
    for (const char* folder :
         {"/etc/udev/rules.d", "/run/udev/rules.d", "/usr/lib/udev/rules.d", "/lib/udev/rules.d"}) {
        const QString file = QLatin1String(folder) + QLatin1Char('/') + name;
        const std::optional<QString> text = view.linkText(file);
        if (!view.exists(file) && !text) {
            continue;
        }
        masked = text == QLatin1String("/dev/null") ||
                 view.resolve(file) == QLatin1String("/dev/null") || view.read(file).isEmpty();
        return file;
    }
    return {};
}

// "vid:pid" of every USB device a brltty rules file claims, written as
// ENV{PRODUCT}=="1a86/7523/*" or ATTRS{idVendor}=="1a86", ATTRS{idProduct}=="7523".
QSet<QString> ClaimedAdapters(const QString& rules) {
    QSet<QString> claimed;
    static const QRegularExpression product(
        QStringLiteral("ENV\\{PRODUCT\\}==\"([0-9a-fA-F]{1,4})/([0-9a-fA-F]{1,4})/"));
    static const QRegularExpression attributes(
        QStringLiteral("ATTRS\\{idVendor\\}==\"([0-9a-fA-F]{4})\",\\s*ATTRS\\{idProduct\\}=="
                       "\"([0-9a-fA-F]{4})\""));
    for (const QRegularExpression* pattern : {&product, &attributes}) {
        QRegularExpressionMatchIterator matches = pattern->globalMatch(rules);
        while (matches.hasNext()) {
            const QRegularExpressionMatch match = matches.next();
            claimed.insert(
                QStringLiteral("%1:%2")
                    .arg(match.captured(1).toUInt(nullptr, 16), 4, 16, QLatin1Char('0'))
                    .arg(match.captured(2).toUInt(nullptr, 16), 4, 16, QLatin1Char('0')));
        }
    }
    return claimed;
}

bool BrlttyInstalled(const SystemView& view) {
    for (const char* path :
         {"/usr/bin/brltty", "/bin/brltty", "/usr/sbin/brltty", "/sbin/brltty"}) {
        if (view.exists(QLatin1String(path))) {
            return true;
        }
    }
    return false;
}

} // namespace

void Brltty(const SystemView& view, const std::vector<PortRow>& rows, std::vector<Finding>& out) {
    if (!BrlttyInstalled(view)) {
        out.push_back({QStringLiteral("brltty"),
                       Verdict::Ok,
                       {},
                       QStringLiteral("brltty (braille displays) is not installed"),
                       {}});
        return;
    }
    bool masked = false;
    const QString rulesFile = ActiveRules(view, kBrlttyRules, masked);
    const QSet<QString> claimed = rulesFile.isEmpty() || masked
                                      ? QSet<QString>{}
                                      : ClaimedAdapters(QString::fromUtf8(view.read(rulesFile)));
    if (claimed.isEmpty()) {
        out.push_back(
            {QStringLiteral("brltty"),
             Verdict::Ok,
             {},
             QStringLiteral("brltty is installed, but no udev rules of its claim USB "
                            "adapters%1")
                 .arg(masked ? QStringLiteral(" (%1 masks them)").arg(rulesFile) : QString()),
             {}});
        return;
    }
    QStringList plugged;
    for (const PortRow& row : rows) {
        if (claimed.contains(VidPidText(row.facts))) {
            plugged << QStringLiteral("%1 (%2)").arg(row.device, VidPidText(row.facts));
        }
    }
    QStringList known;
    for (const auto& [id, chip] :
         {std::pair{"1a86:7523", "CH340"}, std::pair{"10c4:ea60", "CP210x"},
          std::pair{"0403:6001", "FT232R"}}) {
        if (claimed.contains(QLatin1String(id))) {
            known << QStringLiteral("%1 (%2)").arg(QLatin1String(chip), QLatin1String(id));
        }
    }
    QString text = QStringLiteral("brltty is installed and its udev rules (%1) hand %2 USB adapter "
                                  "models to its braille display drivers%3: such an adapter's "
                                  "port is taken away moments after it is plugged in")
                       .arg(rulesFile)
                       .arg(claimed.size())
                       .arg(known.isEmpty() ? QString()
                                            : QStringLiteral(", among them the serial adapters ") +
                                                  known.join(QStringLiteral(", ")));
    if (!plugged.isEmpty()) {
        text += QStringLiteral("; it claims %1").arg(plugged.join(QStringLiteral(", ")));
    }
    out.push_back(
        {QStringLiteral("brltty"),
         Verdict::Problem,
         {},
         text,
         {{QStringLiteral("sudo apt remove brltty"),
           QStringLiteral("when no braille display is used")},
          {QStringLiteral("sudo ln -s /dev/null /etc/udev/rules.d/%1").arg(kBrlttyRules),
           QStringLiteral("keeps brltty, stops it claiming USB adapters; then re-plug")}}});
}

void ModemManager(const ProcessTable& processes, const std::vector<PortRow>& rows,
                  std::vector<Finding>& out) {
    const std::optional<ProcessRef> manager = processes.running(QStringLiteral("ModemManager"));
    if (!manager) {
        out.push_back({QStringLiteral("modemmanager"),
                       Verdict::Ok,
                       {},
                       QStringLiteral("ModemManager is not running"),
                       {}});
        return;
    }
    const Fix stop{QStringLiteral("sudo systemctl disable --now ModemManager"),
                   QStringLiteral("when no modem is used")};
    QStringList probed;
    std::vector<Fix> fixes{stop};
    for (const PortRow& row : rows) {
        const bool acm = row.device.startsWith(QLatin1String("/dev/ttyACM"));
        if (!acm ||
            row.facts.udev.value(QStringLiteral("ID_MM_DEVICE_IGNORE")) == QLatin1String("1")) {
            continue;
        }
        probed << row.device;
        if (fixes.size() == 1 && row.facts.vendorId && row.facts.productId) {
            const QString rule =
                QStringLiteral("ATTRS{idVendor}==\"%1\", ATTRS{idProduct}==\"%2\", "
                               "ENV{ID_MM_DEVICE_IGNORE}=\"1\"")
                    .arg(*row.facts.vendorId, 4, 16, QLatin1Char('0'))
                    .arg(*row.facts.productId, 4, 16, QLatin1Char('0'));
            fixes.push_back(
                {QStringLiteral("echo %1 | sudo tee /etc/udev/rules.d/71-modemmanager-ignore.rules")
                     .arg(ShellWord(rule)),
                 QStringLiteral("keeps ModemManager for modems, leaves %1 alone from its next "
                                "plugging on")
                     .arg(row.device)});
        }
    }
    if (probed.isEmpty()) {
        out.push_back({QStringLiteral("modemmanager"),
                       Verdict::Note,
                       {},
                       QStringLiteral("ModemManager is running (process %1): it probes a ttyACM "
                                      "adapter with modem commands for several seconds after it "
                                      "is plugged in; wait for it before opening one")
                           .arg(manager->pid),
                       fixes});
        return;
    }
    out.push_back({QStringLiteral("modemmanager"),
                   Verdict::Problem,
                   {},
                   QStringLiteral("ModemManager is running (process %1) and probes %2 with modem "
                                  "commands for several seconds after it appears, holding the "
                                  "port and sending bytes the module reads as noise")
                       .arg(manager->pid)
                       .arg(probed.join(QStringLiteral(", "))),
                   fixes});
}

} // namespace serial_ports::checks
