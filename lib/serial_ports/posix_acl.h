#pragma once

#include <optional>
#include <vector>

#include <QByteArray>

#include "serial_ports/system_view.h"

namespace serial_ports {

// The entries of the extended attribute "system.posix_acl_access" as the
// kernel stores it (version 2: a 4-byte header, then 8 bytes an entry, little
// endian). Nothing when the value is not such a list.
std::optional<std::vector<AclEntry>> ParseAcl(const QByteArray& value);

} // namespace serial_ports
