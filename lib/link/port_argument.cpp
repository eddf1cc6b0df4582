#include "link/port_argument.h"

#include <QDir>
#include <QRegularExpression>

namespace {

// "COM" and digits, any letter case: a window port, or a mistaken one.
std::optional<qint64> ComNumber(QStringView text) {
    static const QRegularExpression name(QStringLiteral("^COM([0-9]{1,9})$"),
                                         QRegularExpression::CaseInsensitiveOption);
    const QRegularExpressionMatch match = name.match(text.toString());
    if (!match.hasMatch()) {
        return std::nullopt;
    }
    return match.capturedView(1).toLongLong();
}

} // namespace

std::optional<int> WindowPortNumber(QStringView text) {
    const std::optional<qint64> number = ComNumber(text);
    if (!number || *number < 1 || *number > kWindowPortCount) {
        return std::nullopt;
    }
    return static_cast<int>(*number);
}

std::variant<PortArgument, QString> ReadPortArgument(const QString& text,
                                                     const QString& currentFolder) {
    if (text.isEmpty()) {
        return QStringLiteral("the port is empty: give a device path or COMn");
    }
    if (ComNumber(text)) {
        if (const std::optional<int> number = WindowPortNumber(text)) {
            return PortArgument{text, number, {}};
        }
        return QStringLiteral("%1: not a port of the window, which offers COM1 to COM%2")
            .arg(text)
            .arg(kWindowPortCount);
    }
    if (!text.contains(QLatin1Char('/'))) {
        return PortArgument{text, std::nullopt, QStringLiteral("/dev/") + text};
    }
    return PortArgument{text, std::nullopt,
                        QDir::cleanPath(QDir(currentFolder).absoluteFilePath(text))};
}
