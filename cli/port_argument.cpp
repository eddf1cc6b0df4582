#include "cli/port_argument.h"

#include <QDir>

namespace cli {

QString PortArgument(const std::string& text) {
    const QString argument = QString::fromStdString(text);
    if (!argument.contains(QLatin1Char('/')) || argument.startsWith(QLatin1Char('/'))) {
        return argument;
    }
    return QDir::cleanPath(QDir::current().absoluteFilePath(argument));
}

} // namespace cli
