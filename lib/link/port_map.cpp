#include "link/port_map.h"

#include <QDir>
#include <QFileInfo>

QString DeviceForPort(const QString& programFolder, int number, const QString& devFolder) {
    if (number < 1) {
        return {};
    }
    const QString name = QStringLiteral("COM%1").arg(number);
    // Absolute, because QSerialPort takes a bare name as one under /dev. The
    // link itself is returned, not its target: the target may appear later
    // (a simulator started after us), and opening follows the link anyway.
    const QString local = QDir(programFolder).absoluteFilePath(name);
    const QFileInfo info(local);
    if (info.exists() || info.isSymLink()) {
        return local;
    }
#ifdef Q_OS_WIN
    Q_UNUSED(devFolder);
    return name;
#else
    const QString usb = QStringLiteral("%1/ttyUSB%2").arg(devFolder).arg(number - 1);
    if (QFileInfo::exists(usb)) {
        return usb;
    }
    return QStringLiteral("%1/ttyS%2").arg(devFolder).arg(number - 1);
#endif
}
