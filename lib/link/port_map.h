#pragma once

#include <QString>

// The device behind "COMn". A file, device or symbolic link named COMn in the
// program folder wins, so a bench can point any port number at any device
// (a USB adapter with an odd name, a pseudo-terminal for a simulator). Without
// one, Windows uses its own COMn and other systems count ports from 0:
// /dev/ttyUSBn-1 when such an adapter is plugged in, else /dev/ttySn-1.
// Numbers below 1 name no device: the result is empty. `devFolder` is where
// the system's devices are looked up (another folder only to read a copy of a
// system's tree).
QString DeviceForPort(const QString& programFolder, int number,
                      const QString& devFolder = QStringLiteral("/dev"));
