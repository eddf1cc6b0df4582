#pragma once

#include <string>

#include <QString>

namespace cli {

// A port or device as the port commands take it: "COMn" and bare names
// ("ttyUSB0", under /dev) as given, a path with a slash made absolute
// against the current folder.
QString PortArgument(const std::string& text);

} // namespace cli
