#include "cli/options/line_choice.h"

#include <optional>

#include <QStringList>

#include "codec/protocol.h"
#include "link/port_map.h"
#include "link/settings_file.h"

namespace cli {

namespace {

// What the user gives instead of comm.set, with an example of each.
QString Instead(bool needPort, bool needRate) {
    if (needPort && needRate) {
        return QStringLiteral("give the port and rate with -p and -b instead, e.g. -p COM4 "
                              "-b 19200 or -p /dev/ttyUSB0 -b 9600 (ht5530k-cli ports lists "
                              "the ports)");
    }
    if (needPort) {
        return QStringLiteral("give the port with -p instead, e.g. -p COM4 or -p /dev/ttyUSB0 "
                              "(ht5530k-cli ports lists the ports)");
    }
    return QStringLiteral("give the rate with -b instead, e.g. -b 19200");
}

} // namespace

std::variant<LineChoice, QString> ChooseLine(const LineOptions& options,
                                             const SettingsLocation& settings,
                                             std::optional<int> commandRate) {
    LineChoice line;
    CommSettings saved;
    const QString file = settings.fileToRead();
    const bool needRate = !options.baud && !commandRate;
    const QString instead = Instead(!options.port, needRate);
    if (!options.port || needRate) {
        const CommSetReading reading = LoadCommSettings(file);
        if (reading.problem != CommSetReading::Problem::None) {
            return QStringLiteral("the window's settings file %1 %2; %3")
                .arg(file, reading.problemText(), instead);
        }
        saved = reading.settings;
    }
    QStringList sources;
    std::optional<int> windowPort;
    if (options.port) {
        line.port = options.port->text;
        windowPort = options.port->windowPort;
        line.device = options.port->path;
        sources << QStringLiteral("port from --port");
    } else {
        // Start-up selects the saved port only when the window's list offers it.
        windowPort = WindowPortNumber(QStringLiteral("COM%1").arg(saved.CommNum));
        if (!windowPort) {
            return QStringLiteral("%1 names port %2, which the window does not offer (COM1 to "
                                  "COM%3): %4")
                .arg(file)
                .arg(saved.CommNum)
                .arg(kWindowPortCount)
                .arg(instead);
        }
        line.port = QStringLiteral("COM%1").arg(*windowPort);
        sources << QStringLiteral("port COM%1 from %2").arg(*windowPort).arg(file);
    }
    if (options.baud) {
        line.baud = *options.baud;
        sources << QStringLiteral("rate from --baud");
    } else if (commandRate) {
        line.baud = *commandRate;
        sources << QStringLiteral("rate set by the command");
    } else {
        line.baud = codec::RateToApply(saved.CommRate);
        if (line.baud < 1) {
            return QStringLiteral("%1 names the rate %2, which is no rate: %3")
                .arg(file)
                .arg(saved.CommRate)
                .arg(instead);
        }
        sources << (saved.CommRate == 0
                        ? QStringLiteral("rate 0 from %1, which the window applies as %2")
                              .arg(file)
                              .arg(line.baud)
                        : QStringLiteral("rate from %1").arg(file));
    }
    if (windowPort) {
        line.device = DeviceForPort(settings.folder, *windowPort);
    }
    line.source = sources.join(QStringLiteral(", "));
    return line;
}

} // namespace cli
