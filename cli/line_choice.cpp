#include "cli/line_choice.h"

#include <QRegularExpression>

#include "link/port_map.h"
#include "link/settings_file.h"

namespace cli {

namespace {
// The window applies a saved rate of 0 as 9600.
constexpr int kRateForZero = 9600;
} // namespace

std::optional<int> ComPortNumber(const QString& port) {
    static const QRegularExpression pattern(QStringLiteral("^COM([1-9][0-9]{0,3})$"));
    const QRegularExpressionMatch match = pattern.match(port);
    if (!match.hasMatch()) {
        return std::nullopt;
    }
    return match.captured(1).toInt();
}

std::variant<LineChoice, QString> ChooseLine(const LineOptions& options,
                                             const SettingsLocation& settings) {
    LineChoice line;
    std::optional<CommSettings> saved;
    const QString file = settings.fileToRead();
    if (!options.port || !options.baud) {
        saved = ReadCommSettings(file);
    }
    QStringList sources;
    if (options.port) {
        line.port = QString::fromStdString(*options.port);
        sources << QStringLiteral("port from --port");
    } else {
        if (saved->CommNum < 1) {
            return QStringLiteral("%1 names port %2, which is no port: give one with --port")
                .arg(file)
                .arg(saved->CommNum);
        }
        line.port = QStringLiteral("COM%1").arg(saved->CommNum);
        sources << QStringLiteral("port from %1").arg(file);
    }
    if (options.baud) {
        line.baud = *options.baud;
        sources << QStringLiteral("rate from --baud");
    } else {
        if (saved->CommRate < 0) {
            return QStringLiteral("%1 names the rate %2, which is no rate: give one with --baud")
                .arg(file)
                .arg(saved->CommRate);
        }
        line.baud = saved->CommRate == 0 ? kRateForZero : saved->CommRate;
        sources << QStringLiteral("rate from %1").arg(file);
    }
    const std::optional<int> number = ComPortNumber(line.port);
    line.device = number ? DeviceForPort(settings.folder, *number) : line.port;
    line.source = sources.join(QStringLiteral(", "));
    return line;
}

} // namespace cli
